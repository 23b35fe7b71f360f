#include "Controls.h"

namespace pelgra::play {

Command commandForKey(char key) {
    switch (key) {
    case ' ':
        return Command::TogglePause;
    case 'n':
    case 'N':
        return Command::Next;
    case 'q':
    case 'Q':
        return Command::Stop;
    default:
        return Command::None;
    }
}

} // namespace pelgra::play
