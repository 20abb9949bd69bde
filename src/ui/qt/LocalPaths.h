#pragma once

#include <QString>
#include <QUrl>

#include <string>

namespace quillane {

// A path on Linux is the bytes the system gives, and they need not be UTF-8 (a scan named in
// Latin-1 on a share an older system wrote). The program keeps those bytes; Qt's widgets show
// and return text, and a name that is not UTF-8 loses its bad bytes on the way (each becomes
// U+FFFD). These carry a path between the two.

// The text that shows `path`.
QString shownPath(const std::string& path);

// The bytes of the file or folder a Qt widget returned as `path`. A name whose bytes were not
// UTF-8 is found again among the names its folder holds; when no single name there shows as it
// does, the text's own UTF-8 is what there is.
std::string pathBytes(const QString& path);

// The bytes of a local file's path as a drag carries it: the URL's percent-encoded bytes,
// whatever their encoding.
std::string localPathBytes(const QUrl& url);

}  // namespace quillane
