// The receive side of one gateway connection and the options that steer it: each data frame
// from the gateway becomes a queued message (translated, its printer form applied, answered
// on the spot when it asks for a printer answer), and the queue is handed to the caller as
// one assembled text, as blocks, or message by message.
//
// Free of I/O: the socket provider sends the answers and announces the messages it is told
// to. Everything belongs to one connection (its printer mode and line width included).
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "brxconn/CLniata.h"
#include "brxprovider/BRXConn_.h"
#include "zel/VorsSettings.h"
#include "zel/ZelTranslate.h"

class CMessage;

namespace zel {

enum DeviceKind : int { DEVICE_TERMINAL = 1, DEVICE_PRINTER = 2 };

// The kind of a received message by its first two characters; "9G" and "9H" set the line
// width (80 and 64).
int MessageKind(std::uint8_t first, std::uint8_t second, int& lineWidth);

// The layout of a message for the caller, in place: controls in its head made visible, zero
// and line-feed bytes removed, 0x87 shown as 0xD8 and, for kind 4, a CR LF pair before every
// character past the line width. The number of characters kept after the head (on a
// terminal the last character is not counted).
std::size_t ReceiveLayout(Bytes& message, int deviceKind, int kind, int lineWidth);

class CZelReceiver {
public:
    // What the provider does with a data frame.
    struct Outcome {
        bool newLniata = false;  // the connection's address changed (resource notice)
        int printerAnswer = -1;  // 0 or 1: send that answer first
        bool announce = false;   // tell the owner OnReceive(code)
        BRXError code = 0;
        bool dropped = false;
        const char* note = nullptr;  // the log line of the decision
    };

    // A data frame's data: the terminal address, C1 C2, the text.
    Outcome Process(std::span<const std::uint8_t> data, const VorsSettings& vors);

    // The queued messages as one text, appended to `text` (1008 when nothing was there).
    BRXError ReceiveText(std::string& text);
    // The head message as a block the receiver keeps until the next call (1011: none).
    BRXError ReceiveBlock(char** data, int* length);
    // The head message appended to `message`; always 0.
    BRXError ReceiveMessage(CMessage& message);
    void Clear();
    std::size_t Queued() const noexcept { return m_queue.size(); }

    // Options 1-4; 1005 for anything not taken.
    BRXError SetOption(int option, const char* value);
    BRXError GetOption(int option, char* value) const;

    bool binary = false;
    bool translate = true;
    bool accumulate = true;
    int deviceKind = DEVICE_TERMINAL;
    bool printer = false;
    CLniata lniata;
    int kind = 0;  // of the last message received
    int lineWidth = 64;
    std::size_t lastLength = 0;

private:
    std::deque<Bytes> m_queue;
    Bytes m_handedOut;
};

}  // namespace zel
