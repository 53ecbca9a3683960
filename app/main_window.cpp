#include "app/main_window.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <memory>
#include <utility>

#include "controls/skin_images.h"
#include "discovery/discovery_manager.h"
#include "discovery/ui/search_page.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/web_command_queue.h"
#include "window/window_placement.h"
#include "wizard/ui/wizard_frame.h"

namespace {

// The repeater picture of the device list doubles as the window's icon.
constexpr int kIconImageId = 249;

}  // namespace

MainWindow::MainWindow(ProgramState& state)
    : DialogWindow(nullptr, Qt::Window | Qt::FramelessWindowHint), m_state(state) {
    setFixedSize(kWidth, kHeight);
    SetAccessibleRole(QAccessible::Window);
    setWindowIcon(QIcon(QPixmap::fromImage(LoadSkinImage(kIconImageId))));
}

MainWindow::~MainWindow() {
    DestroyWindow();
    m_state.SetNavigation(nullptr);
}

void MainWindow::OnInitDialog() {
    SetMainWindow(this);
    m_state.SetNavigation(this);
    setWindowTitle(QString::fromStdWString(LoadString(kTextTitle)));
    PlaceWindow(this, QPoint(0, 0));

    SetTimer(kDiscoveryTimerId, kDiscoveryTimerMs);
    if (WebCommandQueue* web = m_state.WebQueue()) {
        // Every queued command starts the wizard's result timer.
        web->SetQueuedObserver([this] {
            if (m_wizard != nullptr) {
                m_wizard->StartResultTimer();
            }
        });
    }
    SetTimer(kWebTimerId, kWebTimerMs);

    // Showing the search page starts the first search.
    m_searchPage = new SearchPage(m_state, this);
    m_searchPage->Create();
    m_searchPage->setGeometry(rect());
    m_searchPage->ShowWindow(true);

    CenterOnScreen();
}

void MainWindow::OnTimer(int id) {
    if (id == kDiscoveryTimerId) {
        if (DiscoveryManager* discovery = m_state.Discovery()) {
            discovery->OnDiscoveryTimer(DiscoveryManager::kTimerId);
        }
    } else if (id == kWebTimerId) {
        if (WebCommandQueue* web = m_state.WebQueue()) {
            web->WebTimerProc(WebCommandQueue::kTimerId);
        }
    }
}

IDeviceWizard* MainWindow::OpenDeviceWizard(const std::wstring& model,
                                            const std::wstring& ipAddress,
                                            const std::wstring& subnetMask) {
    // The pointer is cleared before the old frame goes, so it never names a dead frame.
    if (WizardFrame* old = std::exchange(m_wizard, nullptr)) {
        old->ShowWindow(false);
        old->DestroyWindow();
        delete old;
    }
    if (model != kSupportedModel) {
        EndDialog(0);
        return nullptr;
    }
    auto* frame = new WizardFrame(m_state, this);
    m_wizard = frame;
    frame->Create();
    frame->setGeometry(rect());
    frame->SetDeviceAddress(ipAddress, subnetMask);
    frame->ShowWindow(true);
    if (m_searchPage != nullptr) {
        m_searchPage->ShowWindow(false);
    }
    if (!frame->IsCreated()) {
        EndDialog(0);
        return nullptr;
    }
    return frame;
}

void MainWindow::ReturnToSearchPage() {
    if (m_searchPage != nullptr) {
        m_searchPage->ShowWindow(true);
    }
    if (m_wizard != nullptr) {
        m_wizard->ShowWindow(false);
    }
}

void MainWindow::ShowMenuEntry(MenuEntry entry) {
    if (const std::optional<WizardPageId> page = WizardPageOfMenuEntry(entry)) {
        ShowWizardPage(*page);
    } else {
        ReturnToSearchPage();
    }
}

void MainWindow::ShowWizardPage(WizardPageId page) {
    if (m_wizard != nullptr) {
        m_wizard->ShowWizardPage(page);
    }
}

void MainWindow::OnDestroy() {
    KillTimer(kDiscoveryTimerId);
    KillTimer(kWebTimerId);
    // The managers first: stopping the web queue also removes a temporary host address.
    m_state.Shutdown();
    if (SearchPage* page = std::exchange(m_searchPage, nullptr)) {
        page->DestroyWindow();
        delete page;
    }
    if (WizardFrame* frame = std::exchange(m_wizard, nullptr)) {
        frame->DestroyWindow();
        delete frame;
    }
}

void MainWindow::ComeForward(const QByteArray& token, std::function<void(bool shown)> answered) {
    // Qt's Wayland platform hands this variable to the compositor with the next request
    // to activate a window, and drops it: the compositor then lets the window come forward
    // as the desktop let the second start do.
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        qputenv("XDG_ACTIVATION_TOKEN", token);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // A platform that did not take it leaves it set; the programs this one starts (the
    // URL opener) must not inherit a token that is not theirs.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    // Whether the desktop agreed shows only as the window becoming the active one.
    auto* wait = new QTimer(this);
    auto elapsed = std::make_shared<int>(0);
    constexpr int kPollMs = 20;
    connect(wait, &QTimer::timeout, this, [this, wait, elapsed, answered = std::move(answered)] {
        *elapsed += kPollMs;
        const bool active = isActiveWindow();
        if (active || *elapsed >= kComeForwardLimitMs) {
            wait->stop();
            wait->deleteLater();
            answered(active);
        }
    });
    wait->start(kPollMs);
}

void MainWindow::CenterOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(available.center());
    // A screen smaller than the window keeps the window's top-left corner on it.
    PlaceWindow(this,
                QPoint(qMax(frame.left(), available.left()), qMax(frame.top(), available.top())));
}
