#include "wizard/ui/survey_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

// The row picture; the list shows no picture, it only gives the rows their height.
constexpr int kRowImageId = 250;
constexpr int kDefaultRowHeight = 20;

// The column titles. The list shows no header (the page picture carries the captions);
// the titles name the columns for accessibility tools.
QString ColumnTitle(int column) {
    switch (column) {
        case CSurveyList::kBssid:
            return QString::fromStdWString(LoadString(kTextColumnBssid));
        case CSurveyList::kSsid:
            return QString::fromStdWString(LoadString(kTextColumnSsid));
        case CSurveyList::kChannel:
            return QString::fromStdWString(LoadString(kTextColumnChannel));
        case CSurveyList::kEncrypt:
            return QString::fromStdWString(LoadString(kTextColumnEncrypt));
        case CSurveyList::kSignal:
            return QString::fromStdWString(LoadString(kTextColumnSignal));
        case CSurveyList::kMode:
            return QString::fromStdWString(LoadString(kTextColumnMode));
        default:
            return QStringLiteral("VALUE");
    }
}

QStringList ColumnTitles() {
    QStringList titles;
    for (int column = 0; column < CSurveyList::kColumnCount; ++column) {
        titles << ColumnTitle(column);
    }
    return titles;
}

}  // namespace

CSurveyList::CSurveyList(QWidget* parent)
    : CReportList(ColumnTitles(), {kBssid, kChannel, kMode, kValue}, kRowImageId, kDefaultRowHeight,
                  kSsid, parent) {
    SizeColumns();
}

void CSurveyList::SizeColumns() {
    setColumnWidth(kSsid, static_cast<int>(width() * kSsidShare));
    setColumnWidth(kEncrypt, static_cast<int>(width() * kEncryptShare));
    setColumnWidth(kSignal, static_cast<int>(width() * kSignalShare));
}

void CSurveyList::AddNetwork(const SurveyNetwork& network) {
    QStringList cells;
    for (const std::wstring* text :
         {&network.bssid, &network.ssid, &network.channel, &network.securityText, &network.signal,
          &network.mode, &network.keyword}) {
        cells << QString::fromStdWString(*text);
    }
    // Every column of the list is right-aligned, the signal's digits line up.
    AppendRow(cells, Qt::AlignRight | Qt::AlignVCenter);
}
