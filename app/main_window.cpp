#include "app/main_window.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

#include <utility>

#include "controls/skin_images.h"
#include "discovery/udp_manager.h"
#include "discovery/ui/search_page.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "web/web_manager.h"
#include "window/shell_globals.h"
#include "window/window_placement.h"
#include "wizard/ui/wizard_frame.h"

namespace {

// The repeater picture of the device list doubles as the window's icon.
constexpr int kIconImageId = 249;

}  // namespace

CTamselDlg::CTamselDlg(const ShellServices& services)
    : CDialogWindow(nullptr, Qt::Window | Qt::FramelessWindowHint),
      m_services(services),
      m_webSockets(services.sockets) {
    setFixedSize(kWidth, kHeight);
    SetAccessibleRole(QAccessible::Window);
    setWindowIcon(QIcon(QPixmap::fromImage(LoadSkinImage(kIconImageId))));
}

CTamselDlg::~CTamselDlg() {
    DestroyWindow();
    if (G_pMainDlg == this) {
        G_pMainDlg = nullptr;
    }
    if (PageNavigation() == this) {
        SetPageNavigation(nullptr);
    }
}

void CTamselDlg::OnInitDialog() {
    G_pMainDlg = this;
    SetMainWindow(this);
    SetPageNavigation(this);
    setWindowTitle(QString::fromStdWString(LoadString(kTextTitle)));
    PlaceWindow(this, QPoint(0, 0));

    G_pUDPManager = new CUDPManager(m_services.sockets, m_services.clock);
    if (m_services.makeAnswerWatch) {
        G_pUDPManager->WatchForDroppedAnswers(m_services.makeAnswerWatch());
    }
    SetTimer(kDiscoveryTimerId, kDiscoveryTimerMs);

    G_pWEBManager = new CWEBManager(m_webSockets, m_services.clock, m_services.hostSetup);
    G_pWebSendMeter = &m_webSockets;
    // Every queued command starts the wizard's result timer.
    G_pWEBManager->SetQueuedObserver([] {
        if (G_pDeviceDlg != nullptr) {
            G_pDeviceDlg->StartResultTimer();
        }
    });
    SetTimer(kWebTimerId, kWebTimerMs);

    // Showing the search page starts the first search.
    auto* page = new CSearchDlg(this);
    G_pSearchDlg = page;
    page->SetAdapterReader(m_services.readAdapters);
    page->Create();
    page->setGeometry(rect());
    page->ShowWindow(true);

    CenterOnScreen();
}

void CTamselDlg::OnTimer(int id) {
    if (id == kDiscoveryTimerId && G_pUDPManager != nullptr) {
        G_pUDPManager->OnDiscoveryTimer(CUDPManager::kTimerId);
    } else if (id == kWebTimerId && G_pWEBManager != nullptr) {
        G_pWEBManager->WebTimerProc(CWEBManager::kTimerId);
    }
}

IDeviceWizard* CTamselDlg::OpenDeviceWizard(const std::wstring& model,
                                            const std::wstring& ipAddress,
                                            const std::wstring& subnetMask) {
    // The pointer is cleared before the old frame goes, so it never names a dead frame.
    if (CQ3150TxDlg* old = std::exchange(G_pDeviceDlg, nullptr)) {
        old->ShowWindow(false);
        old->DestroyWindow();
        delete old;
    }
    if (model != kSupportedModel) {
        EndDialog(0);
        return nullptr;
    }
    auto* frame = new CQ3150TxDlg(this);
    G_pDeviceDlg = frame;
    frame->Create();
    frame->setGeometry(rect());
    frame->SetDeviceAddress(ipAddress, subnetMask);
    frame->ShowWindow(true);
    if (G_pSearchDlg != nullptr) {
        G_pSearchDlg->ShowWindow(false);
    }
    if (!frame->IsCreated()) {
        EndDialog(0);
        return nullptr;
    }
    return frame;
}

void CTamselDlg::ReturnToSearchPage() {
    if (G_pSearchDlg != nullptr) {
        G_pSearchDlg->ShowWindow(true);
    }
    if (G_pDeviceDlg != nullptr) {
        G_pDeviceDlg->ShowWindow(false);
    }
}

void CTamselDlg::ShowWizardPage(WizardPage page) {
    if (G_pDeviceDlg != nullptr) {
        G_pDeviceDlg->ShowWizardPage(page);
    }
}

void CTamselDlg::OnDestroy() {
    KillTimer(kDiscoveryTimerId);
    if (CUDPManager* discovery = std::exchange(G_pUDPManager, nullptr)) {
        discovery->ClearRequests();
        discovery->ClearDevices();
        discovery->CloseSocket();
        delete discovery;
    }
    KillTimer(kWebTimerId);
    if (CWEBManager* web = std::exchange(G_pWEBManager, nullptr)) {
        // Also removes a temporary host address added for the device.
        web->StopAll();
        delete web;
    }
    G_pWebSendMeter = nullptr;
    if (CSearchDlg* page = std::exchange(G_pSearchDlg, nullptr)) {
        page->DestroyWindow();
        delete page;
    }
    if (CQ3150TxDlg* frame = std::exchange(G_pDeviceDlg, nullptr)) {
        frame->DestroyWindow();
        delete frame;
    }
}

void CTamselDlg::CenterOnScreen() {
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
