// The fake host protocol driver (see support/FakeDriver.h).
#include "support/FakeDriver.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "session/DriverAbi.h"

namespace {

std::string Hex(const unsigned char* bytes, unsigned length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

class FakeDriver;

class Control final : public support::IFakeDriverControl {
public:
    ~Control() override { JoinCallbacks(); }
    void Reset() override {
        JoinCallbacks();
        std::lock_guard lock(mutex);
        initCount = terminateCount = created = deleted = 0;
        initResult = 1;
        connectResult = 0;
        connectCallback = -1;
        connectCallbackFirst = false;
        connected = available = true;
        sessionInfo = "PROTOCOL=QUIL";
        echo = false;
        options.clear();
        messages.clear();
        calls.clear();
    }
    int InitCount() override { return Get(initCount); }
    int TerminateCount() override { return Get(terminateCount); }
    int CreatedCount() override { return Get(created); }
    int DeletedCount() override { return Get(deleted); }
    void SetInitResult(int result) override { Set(initResult, result); }
    void ScriptConnect(int result, int callbackResult) override {
        std::lock_guard lock(mutex);
        connectResult = result;
        connectCallback = callbackResult;
    }
    void SetConnectCallbackFirst(bool on) override {
        std::lock_guard lock(mutex);
        connectCallbackFirst = on;
    }
    void SetLink(bool isConnected, bool isAvailable) override {
        std::lock_guard lock(mutex);
        connected = isConnected;
        available = isAvailable;
    }
    void SetSessionInfo(const std::string& text) override {
        std::lock_guard lock(mutex);
        sessionInfo = text;
    }
    void SetOptionsData(const std::string& bytes) override {
        std::lock_guard lock(mutex);
        options = bytes;
    }
    void QueueMessage(const std::string& bytes) override {
        std::lock_guard lock(mutex);
        messages.push_back(bytes);
    }
    void Announce(int rc) override {
        Callback([rc](CApiBaseInterface& session) { session.OnReceive(rc); });
    }
    void FireDisconnect(int rc) override {
        Callback([rc](CApiBaseInterface& session) { session.OnDisconnect(rc); });
    }
    void SetEcho(bool on) override {
        std::lock_guard lock(mutex);
        echo = on;
    }
    void JoinCallbacks() override {
        std::deque<std::thread> running;
        {
            std::lock_guard lock(mutex);
            running.swap(threads);
        }
        for (std::thread& thread : running) {
            thread.join();
        }
    }
    std::vector<std::string> Calls() override {
        std::lock_guard lock(mutex);
        return calls;
    }

    void Record(const std::string& call) {
        std::lock_guard lock(mutex);
        calls.push_back(call);
    }
    template <typename F>
    void Callback(F&& call) {
        std::lock_guard lock(mutex);
        if (api == nullptr) {
            return;
        }
        CApiBaseInterface* target = api;
        threads.emplace_back([target, call] { call(*target); });
    }
    int Get(int& value) {
        std::lock_guard lock(mutex);
        return value;
    }
    void Set(int& value, int to) {
        std::lock_guard lock(mutex);
        value = to;
    }

    std::mutex mutex;
    int initCount = 0, terminateCount = 0, created = 0, deleted = 0;
    int initResult = 1;
    int connectResult = 0;
    int connectCallback = -1;
    bool connectCallbackFirst = false;
    bool connected = true;
    bool available = true;
    bool echo = false;
    std::string sessionInfo = "PROTOCOL=QUIL";
    std::string options;
    std::deque<std::string> messages;
    std::vector<std::string> calls;
    std::deque<std::thread> threads;
    CApiBaseInterface* api = nullptr;  // the session of the live driver object
};

Control& TheControl() {
    static Control control;  // lives as long as the module is loaded
    return control;
}

class FakeDriver final : public CHostDrvInterface {
public:
    explicit FakeDriver(CApiBaseInterface* api) {
        std::lock_guard lock(TheControl().mutex);
        TheControl().api = api;
    }
    ~FakeDriver() override {
        Control& c = TheControl();
        c.JoinCallbacks();  // no callback after the object is gone
        std::lock_guard lock(c.mutex);
        c.api = nullptr;
        ++c.deleted;
    }

    int ConnectToHost() override {
        Control& c = TheControl();
        c.Record("ConnectToHost");
        int result = 0;
        int callback = -1;
        bool first = false;
        CApiBaseInterface* session = nullptr;
        {
            std::lock_guard lock(c.mutex);
            result = c.connectResult;
            callback = c.connectCallback;
            first = c.connectCallbackFirst;
            session = c.api;
        }
        if (callback >= 0 && first && session != nullptr) {
            session->OnConnect(callback);
        } else if (callback >= 0) {
            c.Callback([callback](CApiBaseInterface& api) { api.OnConnect(callback); });
        }
        return result;
    }
    int DisconnectFromHost() override {
        TheControl().Record("DisconnectFromHost");
        return 0;
    }
    int SendToHost(const unsigned char* data, unsigned int length) override {
        Control& c = TheControl();
        CApiBaseInterface* session = nullptr;
        {
            std::lock_guard lock(c.mutex);
            if (c.echo) {
                c.messages.emplace_back(reinterpret_cast<const char*>(data), length);
                session = c.api;
            }
        }
        if (session != nullptr) {
            session->OnReceive(0);
            return 0;
        }
        c.Record("SendToHost " + Hex(data, length));
        return 0;
    }
    int RecvFromHost(unsigned char** data, unsigned int* length) override {
        Control& c = TheControl();
        c.Record("RecvFromHost");
        std::lock_guard lock(c.mutex);
        if (c.messages.empty()) {
            return COMM_NO_RECV_DATA;
        }
        const std::string message = c.messages.front();
        c.messages.pop_front();
        *data = static_cast<unsigned char*>(std::malloc(message.size() + 1));
        if (*data == nullptr) {
            return COMM_ERR_OUTOFMEMORY;
        }
        std::memcpy(*data, message.data(), message.size());
        *length = static_cast<unsigned int>(message.size());
        return 0;
    }
    bool IsHostAvailable() override {
        std::lock_guard lock(TheControl().mutex);
        return TheControl().available;
    }
    bool IsConnected() override {
        std::lock_guard lock(TheControl().mutex);
        return TheControl().connected;
    }
    // Longer than a session keeps.
    const char* GetHostAddr() override { return m_address.c_str(); }
    int SetAccumulationMode(bool accumulate) override {
        TheControl().Record(accumulate ? "SetAccumulationMode 1" : "SetAccumulationMode 0");
        return 0;
    }
    bool SetDriverOption(int option, int value) override {
        TheControl().Record("SetDriverOption " + std::to_string(option) + " " +
                            std::to_string(value));
        return option == 2;
    }
    // Changed only by the test while no callback runs.
    const char* GetDriverSessionInfo() override {
        std::lock_guard lock(TheControl().mutex);
        return TheControl().sessionInfo.c_str();
    }
    int EnqueueDataToChain(const unsigned char* data, unsigned int length) override {
        TheControl().Record("EnqueueDataToChain " + Hex(data, length));
        return 0;
    }
    int BackGroundConnect(unsigned char*) override { return COMM_ERR_NOCONNECTION; }
    void WorkHostQueue() override { TheControl().Record("WorkHostQueue"); }
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state) override {
        std::lock_guard lock(TheControl().mutex);
        const std::string& options = TheControl().options;
        if (element != 0 || options.empty() || state == nullptr) {
            return nullptr;
        }
        std::memset(state->data, 0, 65);
        const std::size_t length = options.size() < 60 ? options.size() : 60;
        std::memcpy(state->data, options.data(), length);
        state->length = static_cast<std::uint32_t>(length);
        return state;
    }
    bool SetElementState(int, void*) override { return false; }

private:
    const std::string m_address = std::string(300, 'h');
};

}  // namespace

DRIVER_EXPORT int DLLInit() {
    Control& c = TheControl();
    std::lock_guard lock(c.mutex);
    ++c.initCount;
    return c.initResult;
}

DRIVER_EXPORT int DLLTerminate() {
    Control& c = TheControl();
    std::lock_guard lock(c.mutex);
    ++c.terminateCount;
    return 1;
}

DRIVER_EXPORT CHostDrvInterface* CreateHostDrvInterface(CApiBaseInterface* callback) {
    auto* driver = new FakeDriver(callback);
    std::lock_guard lock(TheControl().mutex);
    ++TheControl().created;
    return driver;
}

DRIVER_EXPORT void DeleteHostDrvInterface(CHostDrvInterface* driver) {
    delete driver;
}

extern "C" __attribute__((visibility("default"))) support::IFakeDriverControl* FakeDriverControl() {
    return &TheControl();
}
