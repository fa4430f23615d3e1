#include "brxbt/BTState.h"

namespace brxbt {

const char* GetStateName(int state) noexcept {
    switch (state) {
        case NOT_CONNECTED:
            return "NOT_CONNECTED";
        case DISCONNECTING:
            return "DISCONNECTING";
        case CONNECTING:
            return "CONNECTING";
        case CONNECTED:
            return "CONNECTED";
        case BTS_IDLE:
            return "BTS_IDLE";
        case BTS_SENDING_FIRST_SEG:
            return "BTS_SENDING_FIRST_SEG";
        case BTS_WINDOW_SENDING:
            return "BTS_WINDOW_SENDING";
        case BTS_SEGMENT_SENDING:
            return "BTS_SEGMENT_SENDING";
        case BTS_WAIT_FOR_ACK:
            return "BTS_WAIT_FOR_ACK";
        case BTS_RECV_FIRST_SEG:
            return "BTS_RECV_FIRST_SEG";
        case BTS_WINDOW_RECEIVING:
            return "BTS_WINDOW_RECEIVING";
        case BTS_RECEIVE_SEG:
            return "BTS_RECEIVE_SEG";
        case BTS_SENDING_ACK:
            return "BTS_SENDING_ACK";
        case BTS_SENDING_NACK:
            return "BTS_SENDING_NACK";
        default:
            return "UNKNOWN";
    }
}

const char* OwnErrorText(int code) noexcept {
    switch (code) {
        case BT_BINARY_MODE_NOT_SET:
            return "Binary mode is not set.";
        case BT_TEXT_RECEIVED:
            return "Text message is received from Host.";
        case BT_APP_HEADER_NOT_SET:
            return "Application header has not been set.";
        case BT_INVALID_SEGMENT:
            return "The segment received is not a valid segment.";
        default:
            return nullptr;
    }
}

}  // namespace brxbt
