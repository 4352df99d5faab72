#include "widgets/keypads.h"

#include "params/lanstr.h"
#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QButtonGroup>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

NumberInput* gpNumPad = nullptr;
NumCharInput* gpNumCharPad = nullptr;

namespace {

void paintPad(QWidget* pad, QPaintEvent* event, const char* outline)
{
    QPainter p(pad);
    p.fillRect(event->rect(), QColor(255, 251, 240, 200));
    p.setPen(QColor(QString::fromLatin1(outline)));
    p.drawRect(0, 0, pad->width() - 1, pad->height() - 1);
}

Edit* registeredField() { return uiHost().focusedEdit.data(); }

// Drops the last character of the registered field; false without a field.
bool backspace(bool* nowEmpty)
{
    Edit* field = registeredField();
    if (!field)
        return false;
    QString t = field->text();
    t.chop(1);
    field->setText(t);
    field->setCursorPosition(t.length() - 1);
    *nowEmpty = t.isEmpty();
    return true;
}

} // namespace

NumberInput::NumberInput(QWidget* parent) : QWidget(parent, Qt::CustomizeWindowHint)
{
    group_ = new QButtonGroup(this);
    connect(group_, &QButtonGroup::idClicked, this, &NumberInput::setContent);
    static const char* const texts[10] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    for (int i = 0; i < 10; ++i) {
        keys_[i] = new QPushButton(QString::fromLatin1(texts[i]), this);
        group_->addButton(keys_[i], i);
    }
    confirm_ = new QPushButton(LanStr(121), this);
    connect(confirm_, &QPushButton::clicked, this, &NumberInput::confirmPressed);
    backspace_ = new QPushButton(LanStr(157), this);
    connect(backspace_, &QPushButton::clicked, this, &NumberInput::eraseContent);

    QPushButton* const order[12] = {keys_[0], keys_[1], keys_[2], keys_[3], keys_[4], keys_[5],
                                    keys_[6], keys_[7], keys_[8], keys_[9], backspace_, confirm_};
    for (int i = 0; i < 12; ++i) {
        order[i]->setGeometry(5 + 105 * (i % 4), 5 + 75 * (i / 4), 100, 70);
        order[i]->setFocusPolicy(Qt::NoFocus);
    }
    setGeometry(0, 0, 427, 230);
    setFocusPolicy(Qt::NoFocus);
    confirm_->setStyleSheet(QStringLiteral("background-color:#d2d2d2;"));
    backspace_->setStyleSheet(QStringLiteral("background-color:#d2d2d2;"));
    setStyleSheet(QStringLiteral(
        "NumberInput{background-color:#e9e9e9;}QLabel{font-size:26px;color:#656263;}"
        "QLineEdit{height:60px;font-size:36px;color:#2b418a;background-color:#ffffff;border-width:1px;"
        "border-style:solid;border-color:#696667;}"
        "QPushButton{width:73px;height:73px;background-color:#ffffff;border-width:1px;border-style:solid;"
        "border-color:#696667;color:#575455;font-size:22px;}"
        "QPushButton:pressed{background-color:#656263;color:#ffffff;}"));
    hide();
}

QPushButton* NumberInput::digitKey(int digit) const { return keys_[digit == 0 ? 9 : digit - 1]; }

void NumberInput::setContent(int id)
{
    Edit* field = registeredField();
    QAbstractButton* key = group_->button(id);
    if (!field || !key)
        return;
    const int digit = key->text().toInt();
    auto* unitField = qobject_cast<UnitEdit*>(field);
    if (unitField && unitField->owner()) {
        // Rows take the digit into their integer and show it themselves.
        ValueRow* row = unitField->owner();
        const int v = replaceNext_ ? digit : appendDigit(row->typedValue(field), digit);
        replaceNext_ = false;
        row->setTypedValue(field, v);
    } else {
        const QChar c = QChar::fromLatin1(key->text().toLatin1().at(0));
        if (replaceNext_) {
            replaceNext_ = false;
            field->setText(QString(c));
        } else {
            field->setText(field->text() + c);
        }
    }
    field->setCursorPosition(field->text().length());
}

void NumberInput::eraseContent()
{
    // A row's field shows the row's integer: the key drops that integer's last
    // digit, so the next digit extends what the row holds, not a stale text.
    auto* unitField = qobject_cast<UnitEdit*>(registeredField());
    if (unitField && unitField->owner()) {
        ValueRow* row = unitField->owner();
        const int v = row->typedValue(unitField);
        row->setTypedValue(unitField, v / 10);
        if (v / 10 == 0)
            replaceNext_ = true;
        unitField->setCursorPosition(unitField->text().length());
        return;
    }
    bool empty = false;
    if (backspace(&empty) && empty)
        replaceNext_ = true;
}

void NumberInput::eraseAll()
{
    Edit* field = registeredField();
    if (field) {
        field->setText(QString());
        field->setCursorPosition(0);
    }
    replaceNext_ = true;
}

void NumberInput::HideUpdate() { putAway(false); }

void NumberInput::confirmPressed() { putAway(true); }

void NumberInput::putAway(bool confirmKey)
{
    if (isVisible()) {
        hide();
        if (QWidget* w = uiHost().mainWindow.data())
            w->update();
    }
    if (gpPasswordBox && gpPasswordBox->isVisible()) {
        // A tap elsewhere on the box also lands here; only the key submits.
        if (confirmKey)
            emit chkpassword();
    } else if (Edit* field = registeredField()) {
        field->clearFocus();
    }
}

void NumberInput::mousePressEvent(QMouseEvent*) {}
void NumberInput::mouseReleaseEvent(QMouseEvent*) {}
void NumberInput::paintEvent(QPaintEvent* event) { paintPad(this, event, "#e9e9e9"); }

namespace {

const char* const kRow0 = "1234567890_";
// Rows 1 to 3 of each key set; the trailing blank of each row is never used.
const char* const kSets[3][3] = {
    {"QWERTYUIOP ", "ASDFGHJKL ", "ZXCVBNM "},
    {"qwertyuiop ", "asdfghjkl ", "zxcvbnm "},
    {"-=[]\\;',./ ", "@#$%^?*() ", "`~!{}:\" "},
};
const int kRowStart[4] = {0, 11, 21, 30};
const int kRowLen[4] = {11, 10, 9, 7};
const int kRowX[4] = {10, 42, 62, 106};
const int kRowY[4] = {10, 80, 150, 220};

} // namespace

NumCharInput::NumCharInput(QWidget* parent) : QWidget(parent, Qt::CustomizeWindowHint)
{
    setGeometry(0, 0, 785, 295);
    const int width = this->width() - 1;
    group_ = new QButtonGroup(this);
    connect(group_, &QButtonGroup::idClicked, this, &NumCharInput::setContent);
    for (int i = 0; i < KeyCount; ++i) {
        keys_[i] = new ColorButton(QString(), this, 3);
        keys_[i]->hide();
        keys_[i]->setFocusPolicy(Qt::NoFocus);
    }
    for (int row = 0; row < 4; ++row) {
        for (int k = 0; k < kRowLen[row]; ++k) {
            const int index = kRowStart[row] + k;
            const char c = row == 0 ? kRow0[k] : kSets[Upper][row - 1][k];
            keys_[index]->setText(QStringLiteral("%1").arg(QChar::fromLatin1(c)));
            keys_[index]->setGeometry(kRowX[row] + 70 * k, kRowY[row], 65, 65);
            group_->addButton(keys_[index], index);
        }
    }
    keys_[PunctKey]->setText(LanStr(441));
    keys_[PunctKey]->setGeometry(width - 89, 150, 80, 65);
    connect(keys_[PunctKey], &QPushButton::clicked, this, &NumCharInput::SlotChgChar_Punc);
    keys_[CapsKey]->setText(LanStr(158));
    keys_[CapsKey]->setGeometry(10, 220, 80, 65);
    connect(keys_[CapsKey], &QPushButton::clicked, this, &NumCharInput::SlotCap);
    keys_[BackspaceKey]->setText(LanStr(157));
    keys_[BackspaceKey]->setGeometry(width - 179, 220, 80, 65);
    connect(keys_[BackspaceKey], &QPushButton::clicked, this, &NumCharInput::eraseContent);
    keys_[ConfirmKey]->setText(LanStr(121));
    keys_[ConfirmKey]->setGeometry(width - 89, 220, 80, 65);
    connect(keys_[ConfirmKey], &QPushButton::clicked, this, &NumCharInput::HideUpdate);
    for (ColorButton* key : keys_)
        key->show();
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void NumCharInput::setLetterRows(KeySet set)
{
    for (int row = 1; row < 4; ++row) {
        for (int k = 0; k < kRowLen[row]; ++k) {
            ColorButton* key = keys_[kRowStart[row] + k];
            key->setText(QStringLiteral("%1").arg(QChar::fromLatin1(kSets[set][row - 1][k])));
            key->update();
        }
    }
}

void NumCharInput::SlotChgChar_Punc()
{
    if (keys_[PunctKey]->text() == LanStr(441)) {
        setLetterRows(Punctuation);
        keys_[PunctKey]->setText(LanStr(442));
    } else {
        setLetterRows(Upper);
        keys_[PunctKey]->setText(LanStr(441));
    }
    keys_[CapsKey]->setText(LanStr(158));
}

void NumCharInput::SlotCap()
{
    if (keys_[CapsKey]->text() == LanStr(158)) {
        setLetterRows(Lower);
        keys_[CapsKey]->setText(LanStr(159));
    } else {
        setLetterRows(Upper);
        keys_[CapsKey]->setText(LanStr(158));
    }
    keys_[PunctKey]->setText(LanStr(441));
}

void NumCharInput::setContent(int id)
{
    Edit* field = registeredField();
    QAbstractButton* key = group_->button(id);
    if (!field || !key || key->text().isEmpty())
        return;
    field->setText(field->text() + QChar::fromLatin1(key->text().toLatin1().at(0)));
    field->setCursorPosition(field->text().length());
}

void NumCharInput::eraseContent()
{
    bool empty = false;
    backspace(&empty);
}

void NumCharInput::HideUpdate()
{
    if (!isVisible())
        return;
    hide();
    if (QWidget* p = parentWidget())
        p->update();
}

void NumCharInput::showEvent(QShowEvent* event)
{
    keys_[PunctKey]->setText(LanStr(442));
    keys_[CapsKey]->setText(LanStr(158));
    SlotChgChar_Punc();
    QWidget::showEvent(event);
}

void NumCharInput::mousePressEvent(QMouseEvent*) {}
void NumCharInput::mouseReleaseEvent(QMouseEvent*) {}
void NumCharInput::paintEvent(QPaintEvent* event) { paintPad(this, event, "#191532"); }
