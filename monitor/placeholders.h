#pragma once
// Stand-ins for screens that come with their own work (title bar, option bar,
// index column, IO status panel, the settings window's dialogs, region
// editor and its option bars). Each is an empty widget with only the names
// the start-up needs; none of them acts. Each real screen replaces its class
// here when it lands.
#include "widgets/basewidgets.h"

#include <QWidget>

class TitleBar : public BWidget {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent = nullptr);
    void setCameraInfo(int camera, int type, const QString& text, int kind = 0) {}
    void setLocation(const QString& text) {}
};

class OptionBar : public BWidget {
    Q_OBJECT
public:
    explicit OptionBar(QWidget* parent = nullptr);
    QWidget* finetuningPad() const { return pad_; }

private:
    QWidget* pad_;
};

class IndexButton : public QWidget {
    Q_OBJECT
public:
    explicit IndexButton(QWidget* parent = nullptr) : QWidget(parent) {}
};

class IOStatusWidget : public QWidget {
    Q_OBJECT
public:
    explicit IOStatusWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};

class WidgetChangeCamera : public QWidget {
    Q_OBJECT
public:
    explicit WidgetChangeCamera(QWidget* parent = nullptr) : QWidget(parent) {}
};

class CustomIONameWidget : public QWidget {
    Q_OBJECT
public:
    explicit CustomIONameWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};

class HardwareConfigurationWidget : public QWidget {
    Q_OBJECT
public:
    explicit HardwareConfigurationWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};

class RegiOption : public QWidget {
    Q_OBJECT
public:
    explicit RegiOption(QWidget* parent = nullptr) : QWidget(parent) {}
};

class AlarmOption : public QWidget {
    Q_OBJECT
public:
    explicit AlarmOption(QWidget* parent = nullptr) : QWidget(parent) {}
};

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};
