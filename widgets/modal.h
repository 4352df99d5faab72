#pragma once
// Every modal run of the kit (message boxes, keyboards, password box) goes
// through runModal, so that tests and scripted runs can answer dialogs
// without a person. By default it is QDialog::exec.
#include <functional>

class QDialog;

using ModalRunner = std::function<int(QDialog&)>;

// Replaces the runner; an empty function restores exec. Returns the old one.
ModalRunner setModalRunner(ModalRunner runner);
int runModal(QDialog& dialog);
