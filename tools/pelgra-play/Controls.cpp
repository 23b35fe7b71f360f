#include "Controls.h"

namespace pelgra::play {

Command commandForKey(char key) {
    switch (key) {
    case ' ':
        return Command::TogglePause;
    case 'q':
    case 'Q':
        return Command::Stop;
    default:
        return Command::None;
    }
}

} // namespace pelgra::play
