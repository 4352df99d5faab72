#include "params/lanstr.h"

#include "params/skin.h"

#include <QDebug>
#include <QFile>

QString gaLanStr[kLanRows][kLanCols];
int gLan = 0;

namespace {

// Cells hold \r, \n, \t and \\ as escapes so every row stays on one line.
QString unescape(const QString& cell)
{
    QString out;
    out.reserve(cell.size());
    for (int i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c != '\\' || i + 1 == cell.size()) {
            out += c;
            continue;
        }
        const QChar n = cell.at(++i);
        if (n == 'r')
            out += '\r';
        else if (n == 'n')
            out += '\n';
        else if (n == 't')
            out += '\t';
        else
            out += n;
    }
    return out;
}

void LoadTableFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qCritical() << "text table resource missing:" << path;
        return;
    }
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        if (raw.isEmpty() || raw.startsWith('#'))
            continue;
        const QStringList cells = QString::fromUtf8(raw).split('\t');
        bool ok = false;
        const int row = cells.value(0).toInt(&ok);
        if (!ok || row < 0 || row >= kLanRows || cells.size() != 4) {
            qWarning() << "bad text table line:" << raw.left(60);
            continue;
        }
        for (int c = 0; c < kLanCols; ++c)
            gaLanStr[row][c] = unescape(cells.at(c + 1));
    }
}

} // namespace

void LoadTextTable()
{
    Q_INIT_RESOURCE(params);
    LoadTableFile(QStringLiteral(":/text/lanstr.tsv"));
    LoadTableFile(QStringLiteral(":/text/lanstr-added.tsv"));
}

void Data_Init()
{
    LoadTextTable();
    MakeSkinPixmaps();
}

const QString& LanStr(int row, int column)
{
    static const QString empty;
    if (row < 0 || row >= kLanRows || column < 0 || column >= kLanCols)
        return empty;
    return gaLanStr[row][column];
}

const QString& LanStr(int row) { return LanStr(row, gLan); }
