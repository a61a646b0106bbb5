#include "platform/serial/sim/SimPort.h"

#include "platform/serial/sim/SimControl.h"

namespace simserial {

int SimPort::line(int index) const {
    switch (lines[index]) {
        case SIM_LINE_ON:
            return 1;
        case SIM_LINE_FOLLOWS_DTR:
            return dtr ? 1 : 0;
        case SIM_LINE_FOLLOWS_RTS:
            return rts ? 1 : 0;
        default:
            return 0;
    }
}

int SimPort::take() {
    if (received.empty()) return -1;
    Received next = received.front();
    received.pop_front();
    raisedErrors |= next.errors;
    return next.byte;
}

int SimPort::takeError(unsigned error) {
    bool raised = (raisedErrors & error) != 0;
    raisedErrors &= ~error;
    return raised ? 1 : 0;
}

}  // namespace simserial
