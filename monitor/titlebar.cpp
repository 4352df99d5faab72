#include "monitor/titlebar.h"

#include "monitor/cycletexts.h"
#include "monitor/mainscreenrules.h"
#include "params/lanstr.h"
#include "platform/clock.h"
#include "widgets/kitstyle.h"

#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kRowCameraInfo = 800; // "%1相机检测信息": a row before its camera reports
constexpr int kSmallestMessagePx = 10;

QPixmap widthScaled(const QString& path, int width)
{
    return QPixmap(path).scaledToWidth(width, Qt::SmoothTransformation);
}

QLabel* smallIcon(const QString& path, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setPixmap(QPixmap(path).scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return l;
}

// The state icons change every few passes of the cycle: each picture is
// loaded and scaled once.
const QPixmap& stateIcon(const QString& path, bool dimmed)
{
    static QHash<QString, QPixmap> cache[2];
    QHash<QString, QPixmap>& c = cache[dimmed ? 1 : 0];
    auto it = c.find(path);
    if (it == c.end()) {
        QPixmap pm = QPixmap(path).scaled(38, 38, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (dimmed && !pm.isNull())
            pm = QIcon(pm).pixmap(pm.size(), QIcon::Disabled);
        it = c.insert(path, pm);
    }
    return *it;
}

QString messageIcon(MessageType icon)
{
    return icon == MessageInfo ? QStringLiteral(":/img/icons/15.png") : QStringLiteral(":/img/icons/warning2.png");
}

} // namespace

CameraInfo::CameraInfo(int index, QWidget* parent) : QWidget(parent), rowIndex(index)
{
    iconLabel = new QLabel(this);
    iconLabel->setPixmap(widthScaled(QStringLiteral(":/img/icons/15.png"), 16));
    messageLabel = new QLabel(LanStr(kRowCameraInfo).arg(index + 1), this);
    // The row's height, not the text's, sets the label's: a wrapped status
    // never pushes the other row away.
    messageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* ngIcon = new QLabel(this);
    ngIcon->setPixmap(widthScaled(QStringLiteral(":/img/icons/17a.png"), 16));
    ngLabel = new QLabel(QStringLiteral("0"), this);
    ngLabel->setMinimumWidth(70);
    auto* layerIcon = new QLabel(this);
    layerIcon->setPixmap(widthScaled(QStringLiteral(":/img/icons/layer.png"), 16));
    layerLabel = new QLabel(QStringLiteral("0"), this);
    layerLabel->setMinimumWidth(70);

    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(iconLabel);
    box->addWidget(messageLabel, 1);
    box->addWidget(ngIcon, 0, Qt::AlignRight);
    box->addWidget(ngLabel, 0, Qt::AlignRight);
    box->addWidget(layerIcon, 0, Qt::AlignRight);
    box->addWidget(layerLabel, 0, Qt::AlignRight);
}

void CameraInfo::setMessage(const QString& text, MessageType icon)
{
    iconLabel->setPixmap(widthScaled(messageIcon(icon), 16));
    if (text == messageLabel->text())
        return;
    messageLabel->setText(text);
    fitMessage();
}

void CameraInfo::fitMessage()
{
    QLabel* l = messageLabel;
    const QString text = l->text();
    const QRect room = l->contentsRect();
    if (l->styleSheet() != QString())
        l->setStyleSheet(QString());
    l->ensurePolished();
    if (text.isEmpty() || room.width() <= 0 || room.height() <= 0)
        return;
    // Smaller only when neither one line nor two at the size of the other
    // rows hold the text: the clamp warning is the status that matters most.
    QFont font = l->font();
    const int base = QFontInfo(font).pixelSize();
    int px = base;
    bool wrap = false;
    for (; px > kSmallestMessagePx; --px) {
        font.setPixelSize(px);
        const QFontMetrics m(font);
        if (m.horizontalAdvance(text) <= room.width()) {
            wrap = false;
            break;
        }
        const QRect wrapped = m.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, text);
        if (wrapped.width() <= room.width() && wrapped.height() <= room.height()) {
            wrap = true;
            break;
        }
    }
    l->setWordWrap(wrap);
    if (px != base)
        l->setStyleSheet(QStringLiteral("QLabel{font-size:%1px;}").arg(px));
}

void CameraInfo::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitMessage();
}

void CameraInfo::setNGNum(const QString& text) { ngLabel->setText(text); }

void CameraInfo::setLayerNum(const QString& text) { layerLabel->setText(text); }

TitleBar::TitleBar(QWidget* parent) : BWidget(parent)
{
    for (int i = 0; i < kRows; ++i)
        cameraRows[i] = new CameraInfo(i, this);
    valueLabel = new QLabel(QStringLiteral("0.0s"), this);
    valueLabel->setMinimumWidth(60);
    dateLabel = new QLabel(QStringLiteral("0000-00-00"), this);
    timeLabel = new QLabel(QStringLiteral("00:00"), this);
    locationLabel = new QLabel(QStringLiteral("311,432,0"), this);
    boardNote = new QLabel(LanStr(cycletext::kBoardNotAnswering), this);
    boardNote->setStyleSheet(QStringLiteral("color:#ffc107;font-size:16px;"));
    boardNote->setAlignment(Qt::AlignCenter);
    QSizePolicy keep = boardNote->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    boardNote->setSizePolicy(keep);
    boardNote->hide();
    for (int e = 0; e < 8; ++e) {
        ioIcons[e] = new QLabel(this);
        ioIcons[e]->setFixedSize(38, 38);
        iconPath_[e] = mainscreen::ioIconPath(e / 4, e % 4, false);
        showIcon(e);
    }

    auto column = [](CameraInfo* a, CameraInfo* b) {
        auto* v = new QVBoxLayout;
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addWidget(a);
        v->addWidget(b);
        return v;
    };
    auto* bar = new QHBoxLayout(this);
    // The status rows take the bar's whole height, room for a status on two lines.
    bar->setContentsMargins(20, 2, 20, 2);
    bar->addLayout(column(cameraRows[0], cameraRows[2]), 1);
    bar->addSpacing(30);
    bar->addWidget(createVerticalSplitLine(this, QStringLiteral("#ffffff")));
    bar->addSpacing(30);
    bar->addLayout(column(cameraRows[1], cameraRows[3]), 1);
    bar->addSpacing(30);
    bar->addWidget(createVerticalSplitLine(this, QStringLiteral("#ffffff")));
    bar->addSpacing(40);
    auto* icons = new QHBoxLayout;
    icons->setContentsMargins(0, 0, 0, 0);
    icons->setSpacing(20);
    for (QLabel* l : ioIcons)
        icons->addWidget(l);
    auto* ioColumn = new QVBoxLayout;
    ioColumn->setContentsMargins(0, 0, 0, 0);
    ioColumn->setSpacing(0);
    ioColumn->addStretch(1);
    ioColumn->addLayout(icons);
    ioColumn->addWidget(boardNote);
    ioColumn->addStretch(1);
    bar->addLayout(ioColumn);
    bar->addSpacing(40);
    bar->addWidget(createVerticalSplitLine(this, QStringLiteral("#ffffff")));
    bar->addSpacing(30);
    auto* clock = new QVBoxLayout;
    clock->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(smallIcon(QStringLiteral(":/img/icons/costTime.png"), this));
    top->addWidget(valueLabel);
    top->addSpacing(10);
    top->addWidget(dateLabel);
    top->addWidget(timeLabel);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(smallIcon(QStringLiteral(":/img/icons/location.png"), this));
    bottom->addWidget(locationLabel);
    clock->addLayout(top);
    clock->addLayout(bottom);
    bar->addLayout(clock);

    setFixedHeight(98);
    setStyleSheet(QStringLiteral("TitleBar{background-color:#1f3f8d;}"));

    clockTimer = new QTimer(this);
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &TitleBar::tick);
    clockTimer->start();
}

void TitleBar::setCameraInfo(int camera, CameraInfo::DATA_TYPE type, const QString& text, MessageType icon)
{
    if (camera < 0 || camera >= kRows)
        return;
    CameraInfo* row = cameraRows[camera];
    switch (type) {
    case CameraInfo::Message:
        row->setMessage(text, icon);
        break;
    case CameraInfo::LayerNum:
        row->setLayerNum(text);
        break;
    case CameraInfo::NGNum:
        row->setNGNum(text);
        break;
    default:
        valueLabel->setText(text);
        break;
    }
}

void TitleBar::setLocation(const QString& text) { locationLabel->setText(text); }

void TitleBar::promptSwitching_State(int kind, int index, int state)
{
    if (index < 0 || index > 3)
        return;
    const int entry = mainscreen::ioIconEntry(kind, index);
    // Called on every pass of the cycle: only a change costs anything.
    if (active_[entry] == (state != 0))
        return;
    active_[entry] = state != 0;
    iconPath_[entry] = mainscreen::ioIconPath(kind, index, active_[entry]);
    showIcon(entry);
    update();
}

void TitleBar::setBoardAnswering(bool answering)
{
    if (answering == boardAnswering_)
        return;
    boardAnswering_ = answering;
    boardNote->setVisible(!answering);
    for (int e = 0; e < 8; ++e)
        showIcon(e);
    update();
}

QString TitleBar::ioIconShown(int entry) const { return entry >= 0 && entry < 8 ? iconPath_[entry] : QString(); }

void TitleBar::showIcon(int entry) { ioIcons[entry]->setPixmap(stateIcon(iconPath_[entry], !boardAnswering_)); }

void TitleBar::tick()
{
    const QDateTime now = platform::now();
    dateLabel->setText(now.toString(QStringLiteral("yyyy-MM-dd")));
    timeLabel->setText(now.toString(QStringLiteral("HH:mm:ss")));
}
