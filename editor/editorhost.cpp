#include "editor/editorhost.h"

namespace {

int scratch = 0;
EditorHost* gHost = nullptr;

BasicEditorHost& fallbackHost()
{
    static BasicEditorHost host;
    return host;
}

} // namespace

int& BasicEditorHost::pendingCameras(int group)
{
    if (group < 0 || group >= 8) {
        scratch = 0;
        return scratch;
    }
    return pending[group];
}

int& BasicEditorHost::stepSaveCode(int slot, int step)
{
    if (slot < 0 || slot >= 8 || step < 0 || step >= 8) {
        scratch = 0;
        return scratch;
    }
    return codes[slot][step];
}

QString BasicEditorHost::pictureFolder(int slot, int step, int kind)
{
    return QStringLiteral("./alarmimage//camera%1//detect%2//%3").arg(slot + 1).arg(step + 1).arg(kind ? "OK" : "NG");
}

void setEditorHost(EditorHost* host) { gHost = host; }

EditorHost& editorHost() { return gHost ? *gHost : fallbackHost(); }
