#include "params/fonts.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>
#include <QStringList>

namespace {

// The fonts are stored uncompressed, so the font database can read them
// where they lie instead of holding a copy of some 20 MB each.
int addEmbeddedFont(const QString& path)
{
    const QResource res(path);
    if (res.isValid() && res.compressionAlgorithm() == QResource::NoCompression && res.data())
        return QFontDatabase::addApplicationFontFromData(
            QByteArray::fromRawData(reinterpret_cast<const char*>(res.data()), int(res.size())));
    return QFontDatabase::addApplicationFont(path);
}

QString registerFonts()
{
    const int medium = addEmbeddedFont(QStringLiteral(":/font/fonts/SourceHanSansCN-Medium.ttf"));
    addEmbeddedFont(QStringLiteral(":/font/fonts/SourceHanSansCN-Normal.ttf"));
    addEmbeddedFont(QStringLiteral(":/font/fonts/opensans.ttf"));
    return medium < 0 ? QString() : QFontDatabase::applicationFontFamilies(medium).value(0);
}

} // namespace

QString LoadApplicationFonts()
{
    Q_INIT_RESOURCE(fonts);
    static const QString family = registerFonts();
    return family;
}
