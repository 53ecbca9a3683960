#include "controls/link_target.h"

#include <QString>

namespace {

QString Unwrapped(const std::wstring& target) {
    QString text = QString::fromStdWString(target).trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
        text = text.mid(1, text.size() - 2).trimmed();
    }
    return text;
}

bool HasControlCharacters(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsApplicationCommandLink(const std::wstring& target) {
    QString text = QString::fromStdWString(target);
    if (text.startsWith(QLatin1Char('"'))) {
        text.remove(0, 1);
    }
    return text.startsWith(QLatin1String("APP:"), Qt::CaseInsensitive);
}

std::optional<QUrl> SafeLinkUrl(const std::wstring& target) {
    if (IsApplicationCommandLink(target)) {
        return std::nullopt;
    }
    const QString text = Unwrapped(target);
    if (text.isEmpty() || HasControlCharacters(text)) {
        return std::nullopt;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (url.host().isEmpty()) {
            return std::nullopt;
        }
        return url;
    }
    if (scheme == QLatin1String("mailto") && !url.path().isEmpty()) {
        return url;
    }
    return std::nullopt;
}
