#include "window/notice_box.h"

#include <QMessageBox>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "window/dialog_window.h"

void ShowNotice(QWidget* page, const std::wstring& text) {
    QWidget* owner = DialogWindow::RegisteredMainWindow();
    if (owner == nullptr) {
        owner = page;
    }
    auto* box = new QMessageBox(QMessageBox::Information,
                                QString::fromStdWString(LoadString(kTextMessageTitle)),
                                QString::fromStdWString(text), QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Addresses and commands in it can be selected and copied.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
