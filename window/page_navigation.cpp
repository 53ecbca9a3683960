#include "window/page_navigation.h"

#include <QWidget>

IPageNavigation* NavigationOf(QWidget* widget) {
    for (QWidget* ancestor = widget; ancestor != nullptr; ancestor = ancestor->parentWidget()) {
        if (auto* navigation = dynamic_cast<IPageNavigation*>(ancestor)) {
            return navigation;
        }
    }
    return nullptr;
}

void ReturnToSearchPage(QWidget* from) {
    if (IPageNavigation* navigation = NavigationOf(from)) {
        navigation->ReturnToSearchPage();
    }
}
