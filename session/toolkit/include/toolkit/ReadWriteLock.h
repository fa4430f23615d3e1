// UTKTools::CReadWriteLock: a reader/writer lock that prefers readers. Readers share it;
// while one reader holds it, new readers enter at once, so a waiting writer waits until
// every reader is gone. Writers exclude each other and all readers. A reader may lock the
// reader side again while it holds it; the holder of the writer side must not lock either
// side again. Callers lock Reader() or Writer(); neither the lock nor its parts can be
// copied (the copy constructor and the assignment throw CSyncException with code -1).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Event.h"
#include "toolkit/Lockable.h"
#include "toolkit/Mutex.h"
#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CReadWriteLock {
public:
    // The state both sides share: "hReaderEvent" (manual reset, set while readers are
    // inside), "hMutexEvent" (auto reset, held by the readers as a group or by one writer),
    // "hWriterMutex" (one writer at a time) and the reader counter, -1 with no reader.
    class UTK_API CRWState {
    public:
        CRWState();
        CRWState(const CRWState& other);
        CRWState& operator=(const CRWState& other);
        ~CRWState();

    private:
        friend class CReadWriteLock;
        platform::Event m_hReaderEvent{platform::EventReset::Manual, false};
        platform::Event m_hMutexEvent{platform::EventReset::Auto, true};
        platform::Event m_hWriterMutex{platform::EventReset::Auto, true};
        std::atomic<std::int32_t> m_nReaders{-1};
        // Makes each change of the counter one step with the event change it causes, so
        // that a writer can never slip in between a last reader leaving and a new one
        // arriving.
        CCriticalSection m_counterLock;
    };

    class UTK_API CReader : public CLockable {
    public:
        explicit CReader(CRWState& state) : m_state(state) {}
        CReader(const CReader& other);
        CReader& operator=(const CReader& other);
        ~CReader() override;
        void Lock() override;
        void Unlock() override;

    private:
        CRWState& m_state;
    };

    class UTK_API CWriter : public CLockable {
    public:
        explicit CWriter(CRWState& state) : m_state(state) {}
        CWriter(const CWriter& other);
        CWriter& operator=(const CWriter& other);
        ~CWriter() override;
        void Lock() override;
        void Unlock() override;

    private:
        CRWState& m_state;
    };

    CReadWriteLock();
    CReadWriteLock(const CReadWriteLock& other);
    CReadWriteLock& operator=(const CReadWriteLock& other);
    virtual ~CReadWriteLock();

    CReader& Reader() { return m_reader; }
    CWriter& Writer() { return m_writer; }

private:
    CRWState m_state;
    CReader m_reader{m_state};
    CWriter m_writer{m_state};
};

}  // namespace UTKTools
