// Lays out a program folder: the databases, text files and folders that the
// monitor expects at its first start. Existing files are left as they are, so
// running it again never loses data.
//   mkprogramdir <program folder> [<folder whose files are copied in>]
#include "params/paramdb.h"
#include "params/wizardpara.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

bool ensure(bool ok, const QString& what)
{
    if (!ok)
        std::fprintf(stderr, "mkprogramdir: cannot create %s\n", qPrintable(what));
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

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: mkprogramdir <program folder> [<files to copy in>]\n");
        return 2;
    }
    const QString dir = QDir(args.at(1)).absolutePath();
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
    makeDb(at("PARAM.db"), [&](const QString& p) { return CreateParamDatabase(p, factory); });
    makeDb(at("paraGroup/default/PARAM.db"), [&](const QString& p) { return CreateParamDatabase(p, factory); });
    makeDb(at("SN.db"), CreateSerialDatabase);
    makeDb(at("RECORDNULL.db"), CreateRecordDatabase);
    makeDb(at("RECORD.db"), CreateRecordDatabase);
    if (!QFileInfo::exists(at("sysadd.txt"))) {
        QFile f(at("sysadd.txt"));
        ok = ensure(f.open(QIODevice::WriteOnly) && f.write("0") == 1, f.fileName()) && ok;
    }
    if (args.size() > 2)
        ok = copyTree(args.at(2), dir) && ok;
    return ok ? 0 : 1;
}
