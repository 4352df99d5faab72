#include "platform/host.h"

#include <QDebug>

namespace host {

namespace {
Hooks& store()
{
    static Hooks h;
    return h;
}
} // namespace

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
    if (store().showWarning)
        store().showWarning(text);
    else
        qWarning() << "warning:" << text;
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
