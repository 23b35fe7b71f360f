#include "ModuleWriter.h"

#include <algorithm>
#include <stdexcept>

namespace pelgra::gen {
namespace {

constexpr int kMaxInstruments = 31;
constexpr int kMaxOrders = 128;
constexpr int kCycleLength = 64; // samples in one cycle of a generated waveform

// Amiga periods of C-1 .. B-3 at finetune 0.
constexpr std::array<int, ModuleWriter::kNotes> kPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
    302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

std::vector<std::int8_t> makeCycle(Waveform waveform) {
    std::vector<std::int8_t> wave(kCycleLength);
    for (int i = 0; i < kCycleLength; ++i) {
        if (waveform == Waveform::Square) {
            wave[i] = static_cast<std::int8_t>(i < kCycleLength / 2 ? 64 : -64);
        } else {
            wave[i] = static_cast<std::int8_t>(-64 + i * 128 / kCycleLength);
        }
    }
    return wave;
}

void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

void putWord(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void check(bool condition, const char* what) {
    if (!condition) {
        throw std::out_of_range(what);
    }
}

} // namespace

ModuleWriter::ModuleWriter(std::string title) : m_title(std::move(title)) {}

int ModuleWriter::addInstrument(Waveform waveform, int volume) {
    check(m_instruments.size() < kMaxInstruments, "too many instruments");
    check(volume >= 0 && volume <= 64, "instrument volume");
    m_instruments.push_back({makeCycle(waveform), volume});
    return static_cast<int>(m_instruments.size());
}

int ModuleWriter::addPattern() {
    check(m_patterns.size() < kMaxOrders, "too many patterns");
    m_patterns.emplace_back();
    return static_cast<int>(m_patterns.size()) - 1;
}

ModuleWriter::Cell& ModuleWriter::cell(int pattern, int row, int channel) {
    check(pattern >= 0 && pattern < static_cast<int>(m_patterns.size()), "pattern");
    check(row >= 0 && row < kRows && channel >= 0 && channel < kChannels, "row or channel");
    return m_patterns[pattern][row][channel];
}

void ModuleWriter::setNote(int pattern, int row, int channel, int instrument, int note) {
    check(instrument >= 1 && instrument <= static_cast<int>(m_instruments.size()), "instrument");
    check(note >= 0 && note < kNotes, "note");
    Cell& target = cell(pattern, row, channel);
    target.instrument = instrument;
    target.period = kPeriods[note];
}

void ModuleWriter::setEffect(int pattern, int row, int channel, int effect, int parameter) {
    check(effect >= 0 && effect <= 0xF && parameter >= 0 && parameter <= 0xFF, "effect");
    Cell& target = cell(pattern, row, channel);
    target.effect = effect;
    target.parameter = parameter;
}

void ModuleWriter::setOrder(std::vector<int> patterns, int restartPosition) {
    check(!patterns.empty() && patterns.size() <= kMaxOrders, "order length");
    check(restartPosition >= 0 && restartPosition < static_cast<int>(patterns.size()),
          "restart position");
    m_order = std::move(patterns);
    m_restartPosition = restartPosition;
}

std::vector<std::uint8_t> ModuleWriter::build() const {
    std::vector<int> order = m_order;
    if (order.empty()) {
        for (int i = 0; i < static_cast<int>(m_patterns.size()); ++i) {
            order.push_back(i);
        }
    }
    check(!order.empty(), "a module needs a pattern");
    for (int pattern : order) {
        check(pattern >= 0 && pattern < static_cast<int>(m_patterns.size()), "order entry");
    }

    std::vector<std::uint8_t> out;
    putText(out, m_title, 20);
    for (int i = 0; i < kMaxInstruments; ++i) {
        const bool used = i < static_cast<int>(m_instruments.size());
        putText(out, used ? "wave " + std::to_string(i + 1) : std::string(), 22);
        const std::size_t words = used ? m_instruments[i].wave.size() / 2 : 0;
        putWord(out, words); // length
        out.push_back(0);    // finetune
        out.push_back(static_cast<std::uint8_t>(used ? m_instruments[i].volume : 0));
        putWord(out, 0);                // loop start
        putWord(out, used ? words : 1); // loop length: the whole cycle
    }
    out.push_back(static_cast<std::uint8_t>(order.size()));
    out.push_back(static_cast<std::uint8_t>(m_restartPosition));
    for (int i = 0; i < kMaxOrders; ++i) {
        out.push_back(static_cast<std::uint8_t>(i < static_cast<int>(order.size()) ? order[i] : 0));
    }
    putText(out, "M.K.", 4);

    const int storedPatterns = *std::max_element(order.begin(), order.end()) + 1;
    for (int p = 0; p < storedPatterns; ++p) {
        for (const auto& row : m_patterns[p]) {
            for (const Cell& c : row) {
                out.push_back(static_cast<std::uint8_t>((c.instrument & 0xF0) | (c.period >> 8)));
                out.push_back(static_cast<std::uint8_t>(c.period & 0xFF));
                out.push_back(static_cast<std::uint8_t>(((c.instrument & 0x0F) << 4) | c.effect));
                out.push_back(static_cast<std::uint8_t>(c.parameter));
            }
        }
    }
    for (const Instrument& instrument : m_instruments) {
        for (std::int8_t sample : instrument.wave) {
            out.push_back(static_cast<std::uint8_t>(sample));
        }
    }
    return out;
}

} // namespace pelgra::gen
