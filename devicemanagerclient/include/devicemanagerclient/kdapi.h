/* The device manager's client interface: open devices by name, submit jobs to them, and query
   or administer the manager. Every call that reports a code leaves it in the calling
   thread's last error (KDGetLastError) with the customer bit 0x20000000 set, also on success.

   Codes: 0 success (or, after a reply, the manager's own status word), 3 the reply did not
   come in time, 4 the wait was abandoned, 5 the wait failed, 6 no management handle (the
   manager could not be started or the management open failed), 7 the query could not be
   sent, 8 the handle is not open, 9 the handle has no transport, 10 no such handle,
   11 the manager's reply did not hold what it announced. */
#ifndef DEVICEMANAGERCLIENT_KDAPI_H
#define DEVICEMANAGERCLIENT_KDAPI_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KD_CUSTOMER_BIT 0x20000000u
#define KD_MAX_HANDLES 4096u

typedef struct KDJOB KDJOB;
/* Called with the job once its reply has come (on the transport's thread), or at once when
   the submit failed. */
typedef void (*KDCOMPLETION)(KDJOB* job);

/* A job: the caller's memory, which must stay valid until it completes or is cancelled. */
struct KDJOB {
    uint32_t handle;
    int32_t requestCode; /* sent; the reply's code afterwards */
    uint32_t flags;      /* sent; the reply's value afterwards */
    uint32_t state;      /* 1 pending, 2 failed before sending, else the manager's status */
    KDCOMPLETION completion;
    uint32_t length; /* payload length; after the reply, the reply bytes copied back */
    void* data;      /* payload; receives the reply data, at most `length` bytes */
};

/* One device as KDEnumDevices lays it out in the caller's buffer; the names follow the
   records in the same buffer. */
typedef struct KDDEVICEINFO {
    uint32_t values[3];
    const char* name;
} KDDEVICEINFO;

/* Shows the user a message (text, caption) in place of a message box; NULL for the default,
   which writes it to standard error. Returns the hook it replaces. */
typedef void (*KDNOTIFYHOOK)(const char* text, const char* caption);
KDNOTIFYHOOK KDSetNotifyHook(KDNOTIFYHOOK hook);

uint32_t KDGetLastError(void);

bool KDInitialize(void);
void KDExit(void);
uint32_t KDOpenT(const char* deviceName, uint32_t timeoutMs);
uint32_t KDOpen(const char* deviceName);
bool KDCloseT(uint32_t handle, uint32_t timeoutMs);
bool KDClose(uint32_t handle);
void KDSubmit(KDJOB* job);
bool KDCancelSubmit(uint32_t handle, KDJOB* job);
/* Fills buffer with KDDEVICEINFO records followed by their names, cut to capacity (the last
   byte written is set to 0); *length is the size the whole list needs, *count the records
   that arrived whole. Nothing is asked unless flags hold 0x10000000 or 0x01000000. */
bool KDEnumDevices(uint32_t flags, void* buffer, uint32_t capacity, uint32_t* length,
                   uint32_t* count);
/* As KDEnumDevices, with a text pointer per entry in place of a record. */
bool KDGetRegistryPath(void* buffer, uint32_t capacity, uint32_t* length, uint32_t* count);
bool KDAddDevice(const char* deviceName, const char* text);
bool KDDeleteDevice(const char* deviceName);
bool KDStatus(const char* deviceName);
bool KDProperties(const char* deviceName);
bool KDShowKDManWindow(void);
bool KDHideKDManWindow(void);
bool KDShareDevice(const char* deviceName, int share);
/* nameAndFourth names the device and receives the fourth text; each text is cut to its
   buffer's capacity and terminated. */
bool KDGetItem(char* first, uint32_t firstCapacity, char* second, uint32_t secondCapacity,
               char* third, uint32_t thirdCapacity, uint32_t* value, char* nameAndFourth,
               uint32_t fourthCapacity);

#ifdef __cplusplus
}
#endif

#endif
