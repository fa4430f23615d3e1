// The loopback provider LOOPBACKSP: a provider module built on the providers' export layer
// that plays the host for tests. A route whose "Service Provider" is "LOOPBACK" (its "DLL
// Name" "LOOPBACKSP.DLL", found in the plug-in folder) connects to it.
//
// Each connection records what it was asked (connects, options, sends) and lets the test act
// as the host: complete or refuse the connect, give the terminal address, deliver messages
// and errors, complete sends, drop the line. An action runs on the calling thread (the
// owner's loop thread in most tests), or, with FromOwnThread, on a thread of the provider's
// own, so that the callbacks come from elsewhere; the action returns when the provider's
// callback has returned. Any thread.
//
// A delivered message is queued until the provider's OnReceive callback that announced it
// returns; each Receive takes the next queued one, as a provider that frees its data after
// the callback would.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "brxprovider/BRXConn_.h"

namespace support {

inline constexpr char kLoopbackProvider[] = "LOOPBACK";
inline constexpr char kLoopbackDllName[] = "LOOPBACKSP.DLL";

struct LoopbackOption {
    int option = 0;
    std::string text;          // the text of a text option
    std::intptr_t number = 0;  // option 3: the number carried in place of the pointer
    bool beforeConnect = false;
};

// The test's side of one live loopback connection.
class LoopbackConnection {
public:
    // ---- what the connection was asked ----
    virtual std::string Route() = 0;
    virtual std::string EndSystem() = 0;
    virtual int Connects() = 0;
    virtual std::vector<LoopbackOption> Options() = 0;
    virtual std::vector<std::string> Sent() = 0;
    virtual int Disconnects() = 0;

    // ---- the host acting ----
    virtual void FromOwnThread(bool ownThread) = 0;
    // What Status answers from now on.
    virtual void SetStatus(BRXState state) = 0;
    // OnConnect(code); a code other than 0 also becomes the last error.
    virtual void CompleteConnect(BRXError code) = 0;
    // OnResource(lniata, isNew).
    virtual void AssignResource(const std::string& lniata, int isNew = 1) = 0;
    // Queues the message and calls OnReceive(code) (0, or 1028 for a VUVE message).
    virtual void Deliver(const std::string& message, BRXError code = BRX_SUCCESS) = 0;
    // An error that stands for a message (1029-1035): last error code and text, OnReceive.
    virtual void Fail(BRXError code, const std::string& text) = 0;
    virtual void CompleteSend(BRXError code) = 0;
    virtual void SystemAvailable(int available) = 0;
    // The line goes: state 0, OnDisconnect(code).
    virtual void Drop(BRXError code) = 0;

protected:
    virtual ~LoopbackConnection() = default;
};

// The module's process-wide script and its live connections.
class LoopbackControl {
public:
    // What the next Connect answers (0, 1009 or a failure code; 1009 by default).
    virtual void SetConnectResult(BRXError code) = 0;
    // What each Send answers (0 by default).
    virtual void SetSendResult(BRXError code) = 0;
    // What SPConfig answers (1 by default); it writes the route's values either way.
    virtual void SetConfigResult(int result) = 0;
    // The newest live connection (null when none lives) and how many live.
    virtual LoopbackConnection* Last() = 0;
    virtual std::size_t Live() = 0;
    // Forgets the script (back to its defaults).
    virtual void Reset() = 0;

protected:
    virtual ~LoopbackControl() = default;
};

inline constexpr char kLoopbackControlSymbol[] = "TrevoLoopbackControl";
using LoopbackControlFunction = LoopbackControl* (*)();

// The module's control (the module loaded once and kept); null when it cannot be loaded.
LoopbackControl* Loopback();

// Writes the store entries that lead `route` to the loopback provider.
void WriteLoopbackRoute(const std::string& route);
// Writes an application whose default session is `session`, the session's default end
// system and that end system's route (made a loopback route).
void WriteLoopbackSession(const std::string& application, const std::string& session,
                          const std::string& endSystem, const std::string& route);

}  // namespace support
