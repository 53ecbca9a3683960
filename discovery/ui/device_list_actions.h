#pragma once

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <vector>

#include "discovery/datagram.h"
#include "discovery/device_export.h"

class DeviceList;
class ISearchHost;
class QAbstractButton;
class SearchNote;
class WebPageOpener;

// What the search page's list offers for its selected repeater and for the whole list:
// Copy (the row as text on the clipboard, Ctrl+C), Open web page (in the browser, Ctrl+O),
// Export list (a CSV or JSON file), and the list's menu with these and Connect (right
// click, the menu key or Shift+F10). The list shows the devices that `devices` holds, row
// for row.
class DeviceListActions : public QObject {
    Q_OBJECT

public:
    // `connect` is the page's Connect button: the menu's Connect presses it, and is
    // enabled with it. The web page's remarks go to `note`.
    DeviceListActions(DeviceList& list, const std::vector<FoundDevice>& devices,
                      QAbstractButton& connect, SearchNote& note, ISearchHost& host, QWidget* page);

    void CopySelectedDevice();
    // Opens the selected repeater's web page. While the wizard is connected to it through
    // a temporary address, a notice names that address; a repeater in none of the PC's
    // subnets gets a note that Connect may be needed first.
    void OpenSelectedWebPage();
    // Asks for a file (CSV or JSON by its filter or extension) and writes the list to it.
    void ExportList();
    // Writes the list to `path` whole, or not at all; a failure is shown in a notice.
    bool ExportListTo(const QString& path, DeviceListFormat format);
    // Shows the list's menu at `globalPos`; null when there is no menu.
    QMenu* ShowMenu(QPoint globalPos);

    // The list's menu while it is up.
    QMenu* Menu() const { return m_menu; }
    WebPageOpener& Opener() const { return *m_opener; }

protected:
    // The list's keys: Ctrl+C, Ctrl+O, the menu key and Shift+F10.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const FoundDevice* SelectedDevice() const;

    DeviceList& m_list;
    const std::vector<FoundDevice>& m_devices;
    QAbstractButton& m_connect;
    SearchNote& m_note;
    ISearchHost& m_host;
    QWidget* m_page;
    WebPageOpener* m_opener;
    QPointer<QMenu> m_menu;
};
