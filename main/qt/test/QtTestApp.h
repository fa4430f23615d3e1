// What the Qt view's tests share: one application on the offscreen platform, a bounded wait
// that lets Qt run, and a script for modal windows that plays its steps as each window comes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <utility>

namespace vekaqttest {

// The application goes when the tests end, before the process's exit handlers: Qt's own
// global objects, made after it, are gone by then, and its input devices would read them.
class AppEnvironment final : public ::testing::Environment {
public:
    explicit AppEnvironment(QApplication* app) : m_pApp(app) {}
    void TearDown() override {
        delete m_pApp;
        m_pApp = nullptr;
    }

private:
    QApplication* m_pApp;
};

inline void EnsureApp() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
    static int argc = 1;
    static char name[] = "veka_qt_test";
    static char* argv[] = {name, nullptr};
    static const bool made = [] {
        ::testing::AddGlobalTestEnvironment(new AppEnvironment(new QApplication(argc, argv)));
        return true;
    }();
    static_cast<void>(made);
}

// Lets Qt run until cond holds (bounded in real time).
inline bool Until(const std::function<bool()>& cond) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Steps for the modal windows to come: each waits until the active modal window is one it
// takes, then runs on its own turn of the loop (a step may open a window of its own, which
// the next step then takes). After 10 s every modal window is closed and the rest dropped.
class ModalScript {
public:
    using Match = std::function<bool(QWidget&)>;
    using Act = std::function<void(QWidget&)>;

    ModalScript() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start(10);
        m_started = std::chrono::steady_clock::now();
    }
    void Then(Match match, Act act) { m_steps.emplace_back(std::move(match), std::move(act)); }
    [[nodiscard]] bool Done() const { return m_steps.empty(); }

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (std::chrono::steady_clock::now() - m_started > std::chrono::seconds(10)) {
            m_steps.clear();
            if (modal != nullptr) modal->close();
            return;
        }
        if (m_pending || m_steps.empty() || modal == nullptr || !m_steps.front().first(*modal))
            return;
        Act act = std::move(m_steps.front().second);
        m_steps.pop_front();
        m_pending = true;
        QTimer::singleShot(0, modal, [this, act, modal] {
            m_pending = false;
            act(*modal);
        });
    }

    QTimer m_timer;
    std::chrono::steady_clock::time_point m_started;
    std::deque<std::pair<Match, Act>> m_steps;
    bool m_pending = false;
};

}  // namespace vekaqttest
