#include "vekaqt/MainWindowQt.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>

#include "platform/EventLoop.h"
#include "vekaqt/TrayIconQt.h"

namespace vekaqt {

CMainWindowQt::CMainWindowQt(shell::IWindowModel& model) : m_model(model) {
    setFixedSize(shell::IWindowModel::kWidth, shell::IWindowModel::kHeight);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName("control-1000");
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    QStringList titles;
    const std::vector<shell::WindowColumn> columns = m_model.Columns();
    for (const auto& c : columns) titles << QString::fromStdString(c.title);
    m_pList->setHeaderLabels(titles);
    const QFontMetrics metrics(m_pList->font());
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        m_pList->setColumnWidth(
            i, metrics.horizontalAdvance(QString(columns[i].sampleChars, 'X') + ' ') + 10);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this,
            [this] { m_model.OnCommand(shell::IWindowModel::ID_DEVICES_PROPERTIES); });
    setCentralWidget(m_pList);
    statusBar()->showMessage("Ready");
    BuildMenus();
    m_pTray = new CTrayIconQt(
        [this](std::uint32_t icon, int mouseMessage) { m_model.OnTrayNotify(icon, mouseMessage); },
        this);

    platform::EventLoop& loop = m_model.Loop();
    loop.SetDrivenFromOutside(true);
    m_pNotifier = new QSocketNotifier(loop.PollDescriptor(), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] { Turn(); });
    m_pTimer = new QTimer(this);
    m_pTimer->setSingleShot(true);
    connect(m_pTimer, &QTimer::timeout, this, [this] { Turn(); });
    m_model.AttachView(this);
    Turn();
}

CMainWindowQt::~CMainWindowQt() {
    m_model.AttachView(nullptr);
    m_model.Loop().SetDrivenFromOutside(false);
}

shell::ITrayIcon* CMainWindowQt::Tray() {
    return m_pTray;
}

void CMainWindowQt::ShowWindow() {
    showNormal();
    raise();
    activateWindow();
}

void CMainWindowQt::TrackMenu(const std::vector<shell::MenuItem>& menu) {
    delete m_pTrayMenu;
    m_pTrayMenu = new QMenu(this);
    for (const shell::MenuItem& item : menu)
        AddCommand(m_pTrayMenu, QString::fromStdString(item.text), item.id);
    m_pTrayMenu->popup(QCursor::pos());
}

void CMainWindowQt::AddCommand(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { Command(id); });
}

void CMainWindowQt::Command(int id) {
    if (id == shell::IWindowModel::ID_APP_EXIT) {
        close();
    } else if (id == shell::IWindowModel::ID_MINIMIZE) {
        showMinimized();
    } else if (id == shell::IWindowModel::ID_RESTORE) {
        ShowWindow();
    } else {
        m_model.OnCommand(id);
    }
    Refresh();
}

void CMainWindowQt::BuildMenus() {
    QMenu* device = menuBar()->addMenu("&Device");
    AddCommand(device, "&Properties", shell::IWindowModel::ID_DEVICES_PROPERTIES);
    device->addSeparator();
    AddCommand(device, "Mi&nimize", shell::IWindowModel::ID_MINIMIZE);
    AddCommand(device, "E&xit", shell::IWindowModel::ID_APP_EXIT);
    // The first time a menu opens without configuration allowed, "&Properties" and the
    // separator below it go.
    connect(device, &QMenu::aboutToShow, this, [this, device] {
        if (m_bPropertiesRemoved || m_model.ConfigurationAllowed()) return;
        m_bPropertiesRemoved = true;
        const QList<QAction*> actions = device->actions();
        device->removeAction(actions.at(0));
        device->removeAction(actions.at(1));
    });
    QMenu* view = menuBar()->addMenu("&View");
    QAction* bar = view->addAction("&Status Bar");
    bar->setCheckable(true);
    bar->setChecked(true);
    connect(bar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    QAction* reconnect = menuBar()->addAction("&Reconnect");
    reconnect->setData(shell::IWindowModel::ID_DEVICES_RECONNECT);
    connect(reconnect, &QAction::triggered, this,
            [this] { Command(shell::IWindowModel::ID_DEVICES_RECONNECT); });
    QMenu* help = menuBar()->addMenu("&Help");
    AddCommand(help, "&About ...", shell::IWindowModel::ID_APP_ABOUT);
}

QAction* CMainWindowQt::Action(int id) const {
    for (QAction* top : menuBar()->actions()) {
        if (top->data().toInt() == id) return top;
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->data().toInt() == id) return a;
    }
    return nullptr;
}

void CMainWindowQt::Turn() {
    platform::EventLoop& loop = m_model.Loop();
    (void)loop.PumpUntil([] { return false; }, 0);
    if (const std::optional<platform::DWORD> next = loop.NextTimerMs())
        m_pTimer->start(static_cast<int>(*next));
    else
        m_pTimer->stop();
    Refresh();
    if (m_model.Ended()) QCoreApplication::quit();
}

void CMainWindowQt::Refresh() {
    const QString title = QString::fromStdString(m_model.Title());
    if (windowTitle() != title) setWindowTitle(title);
    const auto rows = m_model.Rows();
    while (m_pList->topLevelItemCount() > static_cast<int>(rows.size()))
        delete m_pList->takeTopLevelItem(m_pList->topLevelItemCount() - 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        QTreeWidgetItem* item = m_pList->topLevelItem(r);
        if (!item) item = new QTreeWidgetItem(m_pList);
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c) {
            const QString text = QString::fromStdString(rows[r][c]);
            if (item->text(c) != text) item->setText(c, text);
        }
    }
    const QString status = QString::fromStdString(m_model.StatusBarText());
    if (statusBar()->currentMessage() != status) statusBar()->showMessage(status);
}

void CMainWindowQt::closeEvent(QCloseEvent* event) {
    if (!m_model.OnClose()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void CMainWindowQt::changeEvent(QEvent* event) {
    // Minimised, the window hides when the tray icon is there to bring it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_pTray->Icon()->isVisible())
        QTimer::singleShot(0, this, [this] { hide(); });
    QMainWindow::changeEvent(event);
}

}  // namespace vekaqt
