// The library's failure reasons as the public codes: each reason has a code of its own,
// and together they are every code, so no code is lost or said for two reasons.
#include "api/ErrorCodes.h"
#include "PelgraAudio.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using pelgra::audio::Failure;
using pelgra::audio::kHighestCode;
using pelgra::audio::publicCode;

TEST(ErrorCodesTest, EachReasonHasACodeOfItsOwnAndEveryCodeIsOne) {
    EXPECT_EQ(publicCode(Failure::None), PELGRA_AUDIO_ERR_NONE);
    std::set<int> codes;
    // Internal is the last reason.
    for (int reason = 0; reason <= static_cast<int>(Failure::Internal); ++reason) {
        const int code = publicCode(static_cast<Failure>(reason));
        EXPECT_TRUE(codes.insert(code).second) << "reason " << reason << " repeats code " << code;
    }
    std::set<int> everyCode;
    for (int code = PELGRA_AUDIO_ERR_NONE; code <= kHighestCode; ++code) {
        everyCode.insert(code);
    }
    EXPECT_EQ(codes, everyCode);
}

} // namespace
