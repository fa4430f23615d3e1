// A host protocol driver for the session's tests: built as QUILDRV, ARLODRV and ZELDRV into
// a plug-in folder of its own (FakeDriverDirectory). It counts its loads, answers
// ConnectToHost as scripted, calls its session back from threads of its own, hands out
// queued messages in malloc'ed blocks, and records every call. The test reaches it through
// the module's own export "FakeDriverControl"; TREVO_FAKE_DRIVER_DIR names the folder.
#pragma once

#include <string>
#include <vector>

namespace support {

class IFakeDriverControl {
public:
    virtual ~IFakeDriverControl() = default;

    // Forgets every count, script and message (between tests).
    virtual void Reset() = 0;
    virtual int InitCount() = 0;
    virtual int TerminateCount() = 0;
    virtual int CreatedCount() = 0;
    virtual int DeletedCount() = 0;
    // What DLLInit answers (1 unless set).
    virtual void SetInitResult(int result) = 0;
    // What ConnectToHost answers; with `callbackResult` >= 0 the driver also calls OnConnect
    // with it from a thread of its own.
    virtual void ScriptConnect(int result, int callbackResult) = 0;
    // On: that OnConnect runs on the caller's thread and has ended before ConnectToHost
    // returns, as a driver that learns its outcome at once may do.
    virtual void SetConnectCallbackFirst(bool on) = 0;
    virtual void SetLink(bool connected, bool available) = 0;
    virtual void SetSessionInfo(const std::string& text) = 0;
    virtual void SetOptionsData(const std::string& bytes) = 0;
    // A message RecvFromHost hands out next; Announce calls OnReceive(rc) from a thread.
    virtual void QueueMessage(const std::string& bytes) = 0;
    virtual void Announce(int rc) = 0;
    virtual void FireDisconnect(int rc) = 0;
    // Echo: every message sent comes back at once as a received one, announced with
    // OnReceive(0) on the sender's thread, and is not recorded (for benchmarks).
    virtual void SetEcho(bool on) = 0;
    // Joins every callback thread started so far.
    virtual void JoinCallbacks() = 0;
    // Every call in order: "ConnectToHost", "SendToHost <hex>", "RecvFromHost", ...
    virtual std::vector<std::string> Calls() = 0;
};

}  // namespace support
