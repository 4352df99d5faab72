#include "params/programfolder.h"

#include "params/paramdb.h"
#include "params/wizardpara.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

bool ensure(bool ok, const QString& what)
{
    if (!ok)
        qWarning() << "cannot create" << what;
    return ok;
}

bool copyTree(const QString& fromDir, const QString& to)
{
    bool ok = true;
    const QDir from(QDir(fromDir).absolutePath());
    QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = to + '/' + from.relativeFilePath(src);
        if (QFileInfo::exists(dst))
            continue;
        QDir().mkpath(QFileInfo(dst).path());
        ok = ensure(QFile::copy(src, dst), dst) && ok;
    }
    return ok;
}

} // namespace

bool LayOutProgramFolder(const QString& dirPath, const QString& filesDir)
{
    const QString dir = QDir(dirPath).absolutePath();
    bool ok = ensure(QDir().mkpath(dir), dir);
    auto at = [&](const QString& rel) { return dir + '/' + rel; };

    for (const char* sub : {"RECORD", "alarmimage", "originalimage", "images", "help", "help-en",
                            "paraGroup/default", "cnt_net/data", "cnt_net/cnt_log_app", "ResStatistics"})
        ok = ensure(QDir().mkpath(at(QLatin1String(sub))), at(QLatin1String(sub))) && ok;

    const WizardPara factory = FactoryParams();
    auto makeDb = [&](const QString& path, auto create) {
        if (!QFileInfo::exists(path))
            ok = ensure(create(path), path) && ok;
    };
    auto params = [&](const QString& p) { return CreateParamDatabase(p, factory); };
    makeDb(at("PARAM.db"), params);
    makeDb(at("paraGroup/default/PARAM.db"), params);
    makeDb(at("SN.db"), CreateSerialDatabase);
    makeDb(at("paraGroup/default/SN.db"), CreateSerialDatabase);
    makeDb(at("RECORDNULL.db"), CreateRecordDatabase);
    makeDb(at("RECORD.db"), CreateRecordDatabase);
    if (!QFileInfo::exists(at("sysadd.txt"))) {
        QFile f(at("sysadd.txt"));
        ok = ensure(f.open(QIODevice::WriteOnly) && f.write("0") == 1, f.fileName()) && ok;
    }
    if (!filesDir.isEmpty())
        ok = copyTree(filesDir, dir) && ok;
    return ok;
}
