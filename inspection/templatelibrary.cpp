#include "inspection/templatelibrary.h"

#include "inspection/cammerdata.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <climits>

namespace {

bool used(const CammerData& v, int step, int slot)
{
    return slot >= 0 && slot < int(v.templateUsed[step].size()) && v.templateUsed[step][size_t(slot)] != 0;
}

} // namespace

int TakeTemplateSlot(CammerData& view, int step, int slotCount, QStringList* removed)
{
    if (step < 0 || step >= kStepCount || slotCount < 2)
        return -1;
    if (int(view.templateUsed[step].size()) < slotCount)
        view.templateUsed[step].resize(size_t(slotCount), 0);
    if (view.templateCount[step] < slotCount) {
        for (int k = 0; k < slotCount; ++k) {
            if (!used(view, step, k)) {
                view.templateUsed[step][size_t(k)] = 1;
                ++view.templateCount[step];
                return k;
            }
        }
    }

    // Every slot in use: the oldest template other than the reference goes.
    static const QRegularExpression name(QStringLiteral("^template(\\d{1,9})\\.bmp$"));
    std::vector<qint64> age(size_t(slotCount), LLONG_MIN); // no bitmap: oldest of all
    const QDir folder(view.Folder(step));
    for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("template*.bmp")}, QDir::Files)) {
        const QRegularExpressionMatch m = name.match(f.fileName());
        if (!m.hasMatch())
            continue;
        const int k = m.captured(1).toInt();
        if (k >= slotCount) {
            // Left from a larger slot count.
            if (QFile::remove(f.absoluteFilePath()) && removed)
                *removed << f.completeBaseName();
            continue;
        }
        age[size_t(k)] = f.lastModified().toMSecsSinceEpoch();
    }
    int chosen = -1;
    for (int k = 1; k < slotCount; ++k)
        if (used(view, step, k) && (chosen < 0 || age[size_t(k)] < age[size_t(chosen)]))
            chosen = k;
    return chosen >= 0 ? chosen : 1;
}

int BrowseTemplate(const CammerData& view, int step, int from, bool forward, int slotCount)
{
    if (step < 0 || step >= kStepCount || slotCount < 1)
        return 0;
    int k = from;
    do {
        if (forward)
            k = k + 1 >= slotCount ? 0 : k + 1;
        else
            k = k <= 0 ? slotCount - 1 : k - 1;
    } while (k != 0 && !used(view, step, k));
    return k;
}

QString TemplateFileTime(const CammerData& view, int step, int slot)
{
    const QFileInfo f(QStringLiteral("%1/template%2.bmp").arg(view.Folder(step)).arg(slot));
    if (!f.exists())
        return QString();
    return f.lastModified().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
}

QStringList KeepFirstTemplate(CammerData& view, int step, int slotCount, QStringList* kept)
{
    QStringList deleted;
    if (step < 0 || step >= kStepCount)
        return deleted;
    const std::vector<int> before = view.templateUsed[step];
    for (int k = 1; k < slotCount && k < int(view.templateUsed[step].size()); ++k)
        view.templateUsed[step][size_t(k)] = 0;
    QDir folder(view.Folder(step));
    static const QRegularExpression slotName(QStringLiteral("^template(\\d{1,9})\\.bmp$"));
    const QStringList names = folder.entryList({QStringLiteral("template*")}, QDir::Files, QDir::Name);
    for (int i = 1; i < names.size(); ++i) {
        if (folder.remove(names[i])) {
            deleted << names[i];
            continue;
        }
        if (kept)
            *kept << names[i];
        const QRegularExpressionMatch m = slotName.match(names[i]);
        const int k = m.hasMatch() ? m.captured(1).toInt() : -1;
        if (k > 0 && k < int(before.size()))
            view.templateUsed[step][size_t(k)] = before[size_t(k)];
    }
    int count = 0;
    for (int used : view.templateUsed[step])
        count += used ? 1 : 0;
    view.templateCount[step] = std::max(1, count);
    return deleted;
}
