// The contract between a session and the host protocol driver it loads ("QUILDRV.DLL" and
// its kin, <plug-in folder>/QUILDRV.so here). Both sides compile this one header; the
// driver carries its own copy of the toolkit and does not link the Session library.
//
// - The driver module exports four unmangled functions (below). The session loads the
//   module once per process, calls DLLInit once (0 means the load failed and the module is
//   closed again), CreateHostDrvInterface once per session with the session as the callback
//   object, DeleteHostDrvInterface when the session ends, and DLLTerminate just before it
//   closes the module, after the last session of the process has ended.
// - The order of the virtual operations of both interfaces is the contract: each side calls
//   the other by position. Never insert, remove or reorder one.
// - Memory: the one heap of the process is malloc/free. A block the driver hands over from
//   RecvFromHost is malloc'ed by the driver and freed by the session. Texts the driver
//   returns (GetHostAddr, GetDriverSessionInfo) stay the driver's. Buffers the session passes
//   in (send data, the options record, answer buffers of OnGetCfgInfo/OnGetSessionData) stay
//   the caller's and are valid only during the call.
// - Nothing throws across the boundary: each side catches everything in what it calls.
// - The callbacks come on the driver's own threads, any time between CreateHostDrvInterface
//   and the return of DeleteHostDrvInterface, never after it.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "session/CommError.h"
#include "toolkit/Logger.h"
#include "toolkit/TimeStamp.h"

// Classes whose virtual tables cross modules keep default visibility in every module that
// compiles this header (a hidden base would clash with the exported session classes).
#define SESSION_ABI_VISIBLE __attribute__((visibility("default")))

using EPRIORITY = UTKLogger::CPriority::EPRIORITY;

// The options data of a QUIL host session, asked of the driver with GetElementState(0, ...).
// The driver clears 65 data bytes, copies at most 60 bytes of options data and sets length.
struct QUILOptionsState {
    std::uint32_t length = 0;
    std::uint8_t data[68] = {};
    UTKTools::CTimeStamp timeStamp;  // when the record was made
};

// The session as the driver sees it.
class SESSION_ABI_VISIBLE CApiBaseInterface {
public:
    CApiBaseInterface(const CApiBaseInterface&) {}
    CApiBaseInterface& operator=(const CApiBaseInterface&) { return *this; }

    // 0: a message waits in the driver (rc 0), or receiving failed (rc a COMMError).
    virtual void OnReceive(int rc) = 0;
    // 1
    virtual void OnHostAvailable(bool available) = 0;
    // 2: the session begin started by ConnectToHost has ended; 0 is success.
    virtual void OnConnect(int rc) = 0;
    // 3: the host connection of this session is gone; rc says why.
    virtual void OnDisconnect(int rc) = 0;
    // 4
    virtual void OnHostAddress(char* address, bool available) = 0;
    // 5: keeps a session value ("ACTIVEHOST", "OTHERHOSTS", "STATE", "LID", ...) of `length`
    //    characters; an empty value clears it.
    virtual void OnStoreSessionChanges(const char* key, const char* value, unsigned int length) = 0;
    // 6
    virtual void OnURLNotification(char* text, int value) = 0;
    // 7: a stored session value into `buffer` (*length bytes big), zero-terminated; *length
    //    becomes its length, 0 when there is none.
    virtual void OnGetSessionData(const char* key, char* buffer, unsigned int* length) = 0;
    // 8: one configuration setting; section null (or empty) is the session's own route,
    //    "GLOBAL" the global one. Answered as OnGetSessionData; true when answered.
    virtual bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                              unsigned int* length) = 0;
    // 9: writes one configuration setting back.
    virtual bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                unsigned int length) = 0;
    // 10-12: the simple driver log: one finished line, or a dump of EBCDIC / ASCII bytes.
    virtual void OnLogDbgData(unsigned char* text, int length) = 0;
    virtual void OnLogEBCDICData(unsigned char* bytes, int length) = 0;
    virtual void OnLogASCIIData(unsigned char* bytes, int length) = 0;
    // 13-15: the prioritised driver log.
    virtual void OnLogVA(EPRIORITY priority, const char* context, const char* format,
                         va_list args) = 0;
    virtual void OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                             unsigned char* bytes) = 0;
    virtual void OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                            unsigned char* bytes) = 0;
    // 16: the session's log context prefix followed by `method`, at most size - 1
    //     characters, into `buffer`; returns `buffer`.
    virtual char* SetLocalContext(char* buffer, unsigned int size, const char* method) = 0;
    // 17: rebuilds the session's context prefix from its state.
    virtual void UpdateContext() = 0;

protected:
    CApiBaseInterface() = default;
    // 18: the driver cannot delete its session.
    virtual ~CApiBaseInterface() = default;
};

// One driver object per session, made by CreateHostDrvInterface. Every int result is a
// COMMError.
class SESSION_ABI_VISIBLE CHostDrvInterface {
public:
    // 0: reads the settings through OnGetCfgInfo and begins the host session: 0, or
    //    COMM_WAITING with the outcome following through OnConnect.
    virtual int ConnectToHost() = 0;
    // 1
    virtual int DisconnectFromHost() = 0;
    // 2: one host message.
    virtual int SendToHost(const unsigned char* data, unsigned int length) = 0;
    // 3: the next received message in a malloc'ed block that the caller frees; 0, or
    //    COMM_NO_RECV_DATA when nothing waits.
    virtual int RecvFromHost(unsigned char** data, unsigned int* length) = 0;
    // 4, 5
    virtual bool IsHostAvailable() = 0;
    virtual bool IsConnected() = 0;
    // 6: the host address in use, zero-terminated, owned by the driver (may be null).
    virtual const char* GetHostAddr() = 0;
    // 7: whether the segments of a host message are joined before delivery.
    virtual int SetAccumulationMode(bool accumulate) = 0;
    // 8: 2 end-to-end timing, 3 debugging, 4 message-size override (value 1 on, 0 off),
    //    5 a new random sequence identifier.
    virtual bool SetDriverOption(int option, int value) = 0;
    // 9: "PROTOCOL=QUIL/RID=...LID=xxxxxxxxLNIATA=xxxxxxHOSTSYS=..." while a host session
    //    exists, else "PROTOCOL=QUIL"; owned by the driver, made anew on every call.
    virtual const char* GetDriverSessionInfo() = 0;
    // 10: queues the bytes in the session's send chain.
    virtual int EnqueueDataToChain(const unsigned char* data, unsigned int length) = 0;
    // 11
    virtual int BackGroundConnect(unsigned char* argument) = 0;
    // 12
    virtual void WorkHostQueue() = 0;
    // 13: element 0 fills the caller's record with the host session's options data and
    //     returns it; null when there is none (or for another element).
    virtual QUILOptionsState* GetElementState(int element, QUILOptionsState* state) = 0;
    // 14
    virtual bool SetElementState(int element, void* data) = 0;
    // 15
    virtual ~CHostDrvInterface() = default;

protected:
    CHostDrvInterface() = default;
    CHostDrvInterface(const CHostDrvInterface&) = default;
    CHostDrvInterface& operator=(const CHostDrvInterface&) = default;
};

// The driver module's exports, bound by these names.
extern "C" {
using PFN_DLLInit = int (*)();
using PFN_DLLTerminate = int (*)();
using PFN_CreateHostDrvInterface = CHostDrvInterface* (*)(CApiBaseInterface* callback);
using PFN_DeleteHostDrvInterface = void (*)(CHostDrvInterface* driver);
}

inline constexpr const char* kDriverExportDLLInit = "DLLInit";
inline constexpr const char* kDriverExportDLLTerminate = "DLLTerminate";
inline constexpr const char* kDriverExportCreate = "CreateHostDrvInterface";
inline constexpr const char* kDriverExportDelete = "DeleteHostDrvInterface";

// A driver module defines the four exports with these declarations in view.
#define DRIVER_EXPORT extern "C" __attribute__((visibility("default")))
DRIVER_EXPORT int DLLInit();
DRIVER_EXPORT int DLLTerminate();
DRIVER_EXPORT CHostDrvInterface* CreateHostDrvInterface(CApiBaseInterface* callback);
DRIVER_EXPORT void DeleteHostDrvInterface(CHostDrvInterface* driver);
