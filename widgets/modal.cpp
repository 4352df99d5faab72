#include "widgets/modal.h"

#include <QDialog>

namespace {
ModalRunner& runner()
{
    static ModalRunner r;
    return r;
}
} // namespace

ModalRunner setModalRunner(ModalRunner r)
{
    ModalRunner old = std::move(runner());
    runner() = std::move(r);
    return old;
}

int runModal(QDialog& dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}
