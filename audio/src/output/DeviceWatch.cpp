#include "output/DeviceWatch.h"

#include "platform/ThreadName.h"

#include <SDL.h>

namespace pelgra::audio {
namespace {

// Each look wakes the thread, which costs the process as much as two or three of SDL's
// callbacks: twice a second keeps the watch small beside a device's ~94 callbacks, and
// still sees a lost device within half a second (a silent one within a second).
constexpr auto kLookEvery = std::chrono::milliseconds(500);
// Longer than any callback period and any scheduling hiccup of a busy machine.
constexpr auto kSilentDeviceIsLost = std::chrono::milliseconds(500);
// A device just opened may take longer to call back the first time: a sound server sets
// up its stream first (PulseAudio took 0.4 s on an idle machine).
constexpr auto kFirstCallbackDue = std::chrono::seconds(2);
// Asking SDL for the default device's name costs as much as the wake itself, most of
// all on drivers that cannot name it (SDL then sets its error text): every fourth look.
constexpr auto kNameLookEvery = std::chrono::seconds(2);

} // namespace

OpenedDevice openDefaultDevice(int mixRate, int bufferFrames) {
    OpenedDevice opened;
    opened.link = std::make_unique<DeviceLink>();
    SDL_AudioSpec wanted{};
    wanted.freq = mixRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = DeviceLink::callback;
    wanted.userdata = opened.link.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes. Opened paused.
    opened.id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    opened.bufferFrames = obtained.samples;
    return opened;
}

std::string defaultDeviceName() {
    std::string name;
#if SDL_VERSION_ATLEAST(2, 24, 0)
    char* given = nullptr;
    SDL_AudioSpec format{};
    if (SDL_GetDefaultAudioInfo(&given, &format, 0) == 0 && given != nullptr) {
        name = given;
        SDL_free(given);
        return name;
    }
#endif
    // Older SDL, or a driver that cannot say which is the default: its first device.
    if (SDL_GetNumAudioDevices(0) > 0) {
        const char* first = SDL_GetAudioDeviceName(0, 0);
        name = first != nullptr ? first : "";
    }
    return name;
}

DeviceWatch::DeviceWatch(Mixer& mixer, int mixRate, OpenedDevice device, std::string name)
    : m_mixRate(mixRate), m_bufferFrames(device.bufferFrames), m_mixer(&mixer),
      m_clock(mixRate, device.bufferFrames), m_device(device.id), m_link(std::move(device.link)),
      m_grantedLink(m_link.get()) {
    m_state.connected = true;
    m_state.device = std::move(name);
}

void DeviceWatch::run() {
    nameThisThread("pelgra-device");
    std::unique_lock lock(m_mutex);
    m_lastCallbacks = m_link->callbacksStarted();
    m_lastProgress = Clock::now();
    while (!m_wake.wait_for(lock, kLookEvery, [this] { return m_stopping; })) {
        if (m_device != 0) {
            checkDevice(lock);
        } else {
            tryReopen(lock);
        }
    }
    // stop() has taken the mixer from the device and the clock.
    const std::uint32_t device = m_device;
    std::unique_ptr<DeviceLink> link = std::move(m_link);
    m_device = 0;
    lock.unlock();
    if (device != 0) {
        SDL_CloseAudioDevice(device); // no callback runs after it returns
    }
    link.reset();
#if SDL_VERSION_ATLEAST(2, 0, 16)
    // SDL keeps per-thread data (its error text) that it frees itself only on threads it
    // started.
    SDL_TLSCleanup();
#endif
    lock.lock();
    m_finished = true;
    m_finishedChanged.notify_all();
}

void DeviceWatch::checkDevice(std::unique_lock<std::mutex>& lock) {
    const auto now = Clock::now();
    const std::uint32_t callbacks = m_link->callbacksStarted();
    if (callbacks != m_lastCallbacks) {
        m_lastCallbacks = callbacks;
        m_lastProgress = now;
    }
    // A device SDL saw go stays stopped, though SDL keeps calling back on a timer of its
    // own (too fast for the mixing rate).
    const bool stopped = SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
    const auto silenceAllowed = callbacks == 0 ? kFirstCallbackDue : kSilentDeviceIsLost;
    if (!stopped && now - m_lastProgress < silenceAllowed) {
        if (now >= m_nextNameLook) {
            // The server may have moved the stream to a new default device (PulseAudio,
            // WASAPI do): name the one it plays on now.
            m_nextNameLook = now + kNameLookEvery;
            lock.unlock();
            std::string name = defaultDeviceName();
            lock.lock();
            if (m_state.connected && !name.empty()) {
                m_state.device = std::move(name);
            }
        }
        return;
    }
    m_grantedLink->revoke();
    m_grantedLink = nullptr;
    // Should no thread start, the mix rests until a device comes back: nothing better.
    static_cast<void>(m_clock.start(*m_mixer));
    m_state.connected = false;
    ++m_state.losses;
    m_state.device.clear();
    const std::uint32_t device = m_device;
    std::unique_ptr<DeviceLink> link = std::move(m_link);
    m_device = 0;
    lock.unlock();
    SDL_CloseAudioDevice(device); // may wait long on a sound server that does not answer
    link.reset();
    lock.lock();
}

void DeviceWatch::tryReopen(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    OpenedDevice opened = openDefaultDevice(m_mixRate, m_bufferFrames);
    std::string name = opened.id != 0 ? defaultDeviceName() : std::string();
    lock.lock();
    if (opened.id == 0) {
        return;
    }
    m_device = opened.id;
    m_link = std::move(opened.link);
    if (m_stopping) {
        return; // run() closes it
    }
    // The clock's last render is done before the device's first begins: the mix goes on
    // from where the clock left it, and the device's fresh buffer is all the gap.
    m_clock.stop();
    m_link->grant(*m_mixer);
    m_grantedLink = m_link.get();
    SDL_PauseAudioDevice(m_device, 0);
    m_state.connected = true;
    ++m_state.reopens;
    m_state.device = std::move(name);
    m_lastCallbacks = m_link->callbacksStarted();
    m_lastProgress = Clock::now();
}

bool DeviceWatch::stop(std::chrono::milliseconds wait) noexcept {
    std::unique_lock lock(m_mutex);
    m_stopping = true;
    if (m_grantedLink != nullptr) {
        m_grantedLink->revoke();
        m_grantedLink = nullptr;
    }
    m_clock.stop();
    m_mixer = nullptr;
    m_state.connected = false;
    m_state.device.clear();
    m_wake.notify_all();
    return m_finishedChanged.wait_for(lock, wait, [this] { return m_finished; });
}

OutputState DeviceWatch::state() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

} // namespace pelgra::audio
