#include "platform/host.h"

#include <QCoreApplication>
#include <QDebug>

namespace host {

namespace {
Hooks& store()
{
    static Hooks h;
    return h;
}

thread_local int passDepth = 0;

void showNow(const QString& text)
{
    if (store().showWarning)
        store().showWarning(text);
    else
        qWarning() << "warning:" << text;
}
} // namespace

PassScope::PassScope() { ++passDepth; }
PassScope::~PassScope() { --passDepth; }
bool PassScope::active() { return passDepth > 0; }

void install(const Hooks& hooks) { store() = hooks; }

const Hooks& hooks() { return store(); }

void insertRecord(const QString& text)
{
    if (store().insertRecord)
        store().insertRecord(text);
    else
        qInfo() << "record:" << text;
}

void showWarning(const QString& text)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (PassScope::active() && app) {
        QMetaObject::invokeMethod(app, [text] { showNow(text); }, Qt::QueuedConnection);
        return;
    }
    showNow(text);
}

void showWarningLater(const QString& text)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [text] { showWarning(text); }, Qt::QueuedConnection);
    else
        showWarning(text);
}

bool askChoice(const QString& text)
{
    if (store().askChoice)
        return store().askChoice(text);
    qWarning() << "question without anyone to answer:" << text;
    return false;
}

void setOutput(int output, int value)
{
    if (store().setOutput)
        store().setOutput(output, value);
}

void flashOutputs()
{
    if (store().flashOutputs)
        store().flashOutputs();
}

} // namespace host
