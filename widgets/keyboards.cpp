#include "widgets/keyboards.h"

#include "params/lanstr.h"
#include "widgets/kitstyle.h"
#include "widgets/modal.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace {

// The full keyboard's own keys.
constexpr int kRowLowerCase = 1331; // shown while the letters are upper case
constexpr int kRowUpperCase = 1332;
constexpr int kRowSymbols = 1333;
constexpr int kRowCancel = 1334;
constexpr int kRowConfirm = 1335;
constexpr int kRowBackspace = 1336;

QString keyboardSheet(const QString& selector)
{
    return selector
           + QStringLiteral(
               "{background-color:#e9e9e9;}QLabel{font-size:26px;color:#656263;}"
               "QLineEdit{height:60px;font-size:36px;color:#2b418a;background-color:#ffffff;border-width:1px;"
               "border-style:solid;border-color:#696667;}"
               "QPushButton{width:73px;height:73px;background-color:#ffffff;border-width:1px;border-style:solid;"
               "border-color:#696667;color:#575455;font-size:22px;}"
               "QPushButton:pressed{background-color:#656263;color:#ffffff;}");
}

} // namespace

KeyboardDialog::KeyboardDialog(const QString& selector, QString title, QString hint, QString text,
                               QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    InstallKitFonts();
    setStyleSheet(keyboardSheet(selector));
    title_ = new QLabel(title, this);
    hint_ = new QLabel(hint, this);
    hint_->setStyleSheet(QStringLiteral("font-size:18px;"));
    edit_ = new QLineEdit(text, this);
    edit_->setAlignment(Qt::AlignRight);
    close_ = new QPushButton(this);
    close_->setObjectName(QStringLiteral("close"));
    close_->setIcon(QIcon(QStringLiteral(":/img/icons/close.png")));
    close_->setStyleSheet(QStringLiteral("width:32px;height:32px;icon-size: 32px 32px;border-style:none;"));
    close_->setAutoDefault(false);
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QPushButton::pressed, this, &KeyboardDialog::btnPressed);
}

QString KeyboardDialog::getText() const { return edit_->text(); }

QPushButton* KeyboardDialog::key(const QString& text) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QPushButton* KeyboardDialog::makeKey(const QString& text)
{
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QPushButton::pressed, this, &KeyboardDialog::btnPressed);
    return b;
}

QPushButton* KeyboardDialog::makeFunctionKey(const QString& text)
{
    QPushButton* b = makeKey(text);
    b->setStyleSheet(QStringLiteral("background-color:#d2d2d2;"));
    fitCaption(b);
    return b;
}

bool KeyboardDialog::ownKey(QPushButton*) { return false; }

void KeyboardDialog::btnPressed()
{
    auto* key = qobject_cast<QPushButton*>(sender());
    if (!key)
        return;
    if (key == close_ || key == cancel_) {
        reject();
    } else if (key == confirm_) {
        if (!edit_->text().trimmed().isEmpty())
            accept();
    } else if (key == backspace_) {
        const QString t = edit_->text();
        if (!t.isEmpty())
            edit_->setText(t.left(t.length() - 1));
    } else if (!ownKey(key)) {
        edit_->insert(key->text());
    }
}

DigitalKeyboard::DigitalKeyboard(QString title, QString hint, QString text, QWidget* parent)
    : KeyboardDialog(QStringLiteral("DigitalKeyboard"), title, hint, text, parent,
                     Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    backspace_ = makeFunctionKey(LanStr(157));
    confirm_ = makeFunctionKey(LanStr(121));
    cancel_ = makeFunctionKey(LanStr(124));
    backspace_->setFixedHeight(168);
    confirm_->setFixedHeight(168);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(25, 25, 25, 25);
    grid->setHorizontalSpacing(22);
    grid->setVerticalSpacing(22);

    auto* top = new QHBoxLayout;
    top->addWidget(title_, 0, Qt::AlignLeft);
    top->addWidget(close_, 0, Qt::AlignRight);
    grid->addLayout(top, 0, 0, 1, 4);
    grid->addWidget(edit_, 1, 0, 1, 4);

    static const char* const digits[3][3] = {{"7", "8", "9"}, {"4", "5", "6"}, {"1", "2", "3"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            grid->addWidget(makeKey(QString::fromLatin1(digits[r][c])), 2 + r, c);
    grid->addWidget(backspace_, 2, 3, 2, 1);
    grid->addWidget(confirm_, 4, 3, 2, 1);
    grid->addWidget(cancel_, 5, 0);
    grid->addWidget(makeKey(QStringLiteral("0")), 5, 1);
    grid->addWidget(makeKey(QStringLiteral(".")), 5, 2);
    grid->addWidget(hint_, 6, 0, 1, 4, Qt::AlignLeft);

    setFixedSize(416, 586);
}

FullKeyboard::FullKeyboard(QString title, QString hint, QString text, QWidget* parent)
    : KeyboardDialog(QStringLiteral("FullKeyboard"), title, hint, text, parent,
                     Qt::Dialog | Qt::FramelessWindowHint)
{
    case_ = makeFunctionKey(LanStr(kRowLowerCase));
    case_->setCheckable(true);
    case_->setChecked(true);
    symbol_ = makeFunctionKey(LanStr(kRowSymbols));
    cancel_ = makeFunctionKey(LanStr(kRowCancel));
    cancel_->setFixedWidth(122);
    confirm_ = makeFunctionKey(LanStr(kRowConfirm));
    confirm_->setFixedWidth(122);
    backspace_ = makeFunctionKey(LanStr(kRowBackspace));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(25, 25, 25, 10);
    root->setSpacing(18);
    auto newRow = [root] {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(23);
        root->addLayout(row);
        return row;
    };
    auto addKeys = [this](QHBoxLayout* row, const char* keys) {
        for (const char* k = keys; *k; ++k)
            row->addWidget(makeKey(QString(QChar::fromLatin1(*k))));
    };

    QHBoxLayout* top = newRow();
    top->addWidget(title_, 0, Qt::AlignLeft);
    edit_->setFixedWidth(380);
    top->addWidget(edit_, 1);
    top->addWidget(close_, 0, Qt::AlignRight);
    root->addStretch();
    addKeys(newRow(), "1234567890_");
    QHBoxLayout* r1 = newRow();
    r1->addSpacing(48);
    addKeys(r1, "QWERTYUIOP");
    r1->addSpacing(48);
    QHBoxLayout* r2 = newRow();
    r2->addWidget(case_);
    addKeys(r2, "ASDFGHJKL");
    r2->addWidget(symbol_);
    QHBoxLayout* r3 = newRow();
    r3->addWidget(cancel_);
    addKeys(r3, "ZXCVBNM");
    r3->addWidget(backspace_);
    r3->addWidget(confirm_);
    root->addWidget(hint_, 0, Qt::AlignLeft);

    setFixedSize(1112, 520);
}

bool FullKeyboard::ownKey(QPushButton* key)
{
    if (key == symbol_)
        return true;
    if (key != case_)
        return false;
    // Runs on the press, before the release toggles the key.
    const bool toLower = case_->isChecked();
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text().length() == 1)
            b->setText(toLower ? b->text().toLower() : b->text().toUpper());
    case_->setText(LanStr(toLower ? kRowUpperCase : kRowLowerCase));
    return true;
}

KeyboardDialog* makeKeyboard(KeyboardType type, const QString& title, const QString& hint, const QString& text)
{
    if (type == KeyboardDigital)
        return new DigitalKeyboard(title, hint, text);
    return new FullKeyboard(title, hint, text);
}

BLineEdit::BLineEdit(QWidget* parent, QString title, QString hint, KeyboardType type)
    : QLineEdit(parent), title_(std::move(title)), hint_(std::move(hint)), type_(type)
{
    installEventFilter(this);
}

bool BLineEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        savedText_ = text();
        clear();
        std::unique_ptr<KeyboardDialog> keyboard(makeKeyboard(type_, title_, hint_, text()));
        // A password typed on the keyboard stays as hidden as in the field.
        keyboard->lineEdit()->setEchoMode(echoMode());
        if (runModal(*keyboard) == QDialog::Accepted && !keyboard->getText().isEmpty())
            setText(keyboard->getText());
        else
            setText(savedText_);
    }
    return QLineEdit::eventFilter(watched, event);
}
