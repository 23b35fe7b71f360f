// The library's manners toward a host that uses SDL2 and ALSA itself: SDL's log stays
// the host's, and ALSA's error handler is the host's again once the library closes, so
// that nothing points into the library after it might be unloaded.
#include "PelgraAudio.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include <dlfcn.h>

namespace {

void hostLog(void* heard, int /*category*/, SDL_LogPriority /*priority*/, const char* /*message*/) {
    ++*static_cast<int*>(heard);
}

using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

void hostAlsaHandler(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                     const char* /*format*/, ...) {}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);
        ASSERT_EQ(PelgraAudio_SetOutput("sdl"), 1);
    }
    void TearDown() override {
        FSOUND_Close();
        PelgraAudio_SetOutput(nullptr);
    }
};

TEST_F(HostTest, SdlLoggingStaysTheHosts) {
    int heard = 0;
    SDL_LogSetOutputFunction(hostLog, &heard);
    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    SDL_Log("the host's own message");
    EXPECT_EQ(heard, 1) << "the host's log still works while the library runs";
    FSOUND_Close();

    SDL_LogOutputFunction function = nullptr;
    void* data = nullptr;
    SDL_LogGetOutputFunction(&function, &data);
    EXPECT_EQ(function, &hostLog);
    EXPECT_EQ(data, &heard);
}

TEST_F(HostTest, AlsasErrorHandlerIsTheHostsAgainAfterClose) {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr) {
        GTEST_SKIP() << "no ALSA library here";
    }
    auto setHandler = reinterpret_cast<AlsaSetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    auto* current = static_cast<AlsaErrorHandler*>(dlsym(alsa, "snd_lib_error"));
    ASSERT_NE(setHandler, nullptr);
    ASSERT_NE(current, nullptr);
    setHandler(hostAlsaHandler);

    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    FSOUND_Close();
    EXPECT_EQ(*current, &hostAlsaHandler);

    setHandler(nullptr);
    dlclose(alsa);
}

} // namespace
