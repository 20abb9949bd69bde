#include "qt/LocalPaths.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <system_error>

namespace quillane {
namespace {

std::string bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The one name in `folder` that shows as `shown`; nothing when there is none or more than one.
std::optional<std::string> nameShownAs(const std::string& folder, const QString& shown) {
    std::optional<std::string> found;
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (const std::filesystem::directory_iterator end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (shownPath(name) != shown) continue;
        if (found) return std::nullopt;
        found = name;
    }
    return found;
}

}  // namespace

QString shownPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string pathBytes(const QString& path) {
    std::string asText = bytesOf(QFile::encodeName(path));
    if (!path.contains(QChar::ReplacementCharacter)) return asText;
    // One component at a time, from the root: a component with a lost byte is looked up in the
    // folder the components before it name.
    const QStringList parts = path.split(QLatin1Char('/'));
    std::string resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        std::string name = bytesOf(QFile::encodeName(part));
        if (part.contains(QChar::ReplacementCharacter)) {
            const std::string folder = i == 0 ? std::string(".") : resolved.empty() ? std::string("/") : resolved;
            const std::optional<std::string> found = nameShownAs(folder, part);
            if (!found) return asText;
            name = *found;
        }
        if (i > 0) resolved += '/';
        resolved += name;
    }
    return resolved;
}

std::string localPathBytes(const QUrl& url) {
    return bytesOf(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

}  // namespace quillane
