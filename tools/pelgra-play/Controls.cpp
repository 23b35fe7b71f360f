#include "Controls.h"

namespace pelgra::play {

ControlRequest requestForKey(char key) {
    switch (key) {
    case ' ':
        return ControlRequest::TogglePause;
    case 'n':
    case 'N':
        return ControlRequest::Next;
    case 'q':
    case 'Q':
        return ControlRequest::Stop;
    default:
        return ControlRequest::None;
    }
}

} // namespace pelgra::play
