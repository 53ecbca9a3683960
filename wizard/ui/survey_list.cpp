#include "wizard/ui/survey_list.h"

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

// The row picture; the list shows no picture, it only gives the rows their height.
constexpr int kRowImageId = 250;
constexpr int kDefaultRowHeight = 20;

// The record's columns. The list shows no header (the page picture carries the captions);
// the titles name the columns for assistive technology. SSID, security and signal show;
// the rest go to Connect alone.
std::vector<RecordList::Column> Columns() {
    auto text = [](int id) { return QString::fromStdWString(LoadString(id)); };
    return {{text(kTextColumnBssid), false},   {text(kTextColumnSsid), true},
            {text(kTextColumnChannel), false}, {text(kTextColumnEncrypt), true},
            {text(kTextColumnSignal), true},   {text(kTextColumnMode), false},
            {QStringLiteral("VALUE"), false}};
}

}  // namespace

SurveyList::SurveyList(QWidget* parent)
    : RecordList(Columns(), kRowImageId, kDefaultRowHeight, kSsid, parent) {
    SizeColumns();
}

void SurveyList::SizeColumns() {
    setColumnWidth(TableColumn(kSsid), static_cast<int>(width() * kSsidShare));
    setColumnWidth(TableColumn(kEncrypt), static_cast<int>(width() * kEncryptShare));
    setColumnWidth(TableColumn(kSignal), static_cast<int>(width() * kSignalShare));
}

void SurveyList::AddNetwork(const SurveyNetwork& network) {
    QStringList cells;
    for (const std::wstring* text :
         {&network.bssid, &network.ssid, &network.channel, &network.securityText, &network.signal,
          &network.mode, &network.keyword}) {
        cells << QString::fromStdWString(*text);
    }
    // The numbers and the security text are right-aligned, so the signal's digits line
    // up; the network's name reads left-aligned, as in every list of networks.
    AppendRow(cells, Qt::AlignRight | Qt::AlignVCenter);
    item(rowCount() - 1, TableColumn(kSsid))->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}
