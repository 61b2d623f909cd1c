#include "app/window/frm_main.h"

#include "edges/sobel.h"
#include "input/bitmap_loader.h"
#include "tracking/centers.h"
#include "ui/click_slider.h"
#include "ui/picture_box.h"
#include "ui/wrap_button.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <iostream>
#include <utility>

namespace vireo {

frmMain::frmMain(std::filesystem::path folder, QWidget* parent)
    : QWidget(parent)
    , folder_(std::move(folder))
    , controls_(createFrmMainControls(*this)) {
    const FrmMainControls& c = controls_;
    connect(c.Command4, &QPushButton::clicked, this,
            [this] { guarded([this] { Command4_Click(); }); });
    connect(c.Command5, &QPushButton::clicked, this,
            [this] { guarded([this] { Command5_Click(); }); });
    connect(c.picslider, &QSlider::valueChanged, this,
            [this] { guarded([this] { picslider_Change(); }); });
    connect(c.sobelslider, &QSlider::valueChanged, this,
            [this] { guarded([this] { sobelslider_Change(); }); });
    connect(c.sobelslider, &ClickSlider::clicked, this,
            [this] { guarded([this] { sobelslider_Click(); }); });
}

void frmMain::Form_Load() {
    state_.picshown = false;
    state_.edgesready = false;
    initmask(state_);
    // Setting the value raises sobelslider_Change, which only stores it: both flags are false.
    controls_.sobelslider->setMinimum(0);
    controls_.sobelslider->setMaximum(255);
    controls_.sobelslider->setValue(100);
    state_.sobelthresh = controls_.sobelslider->value();
    historyinit(state_);
    moveme(state_, folder_, controls_.picslider->value(), &controls_.Picture3->surface());
    controls_.Picture3->setNotice({});
}

void frmMain::Command4_Click() {
    Sobel(state_, controls_.Picture4->surface());
    state_.picshown = true;
    state_.edgesready = true;
}

void frmMain::Command5_Click() {
    if (!state_.edgesready)
        return;
    const CenterRun run = findcenter(state_, controls_.Picture4->surface());
    controls_.middiff->setText(QString::number(run.forecast));
}

void frmMain::picslider_Change() {
    state_.picshown = false;
    state_.edgesready = false;
    controls_.Picture4->surface().clear();
    controls_.middiff->setText(QStringLiteral("N/A"));
    historyinit(state_);
    loadChosenFrame();
}

void frmMain::sobelslider_Change() {
    takeThreshold();
}

void frmMain::sobelslider_Click() {
    takeThreshold();
}

void frmMain::takeThreshold() {
    state_.sobelthresh = controls_.sobelslider->value();
    if (state_.picshown)
        Sobel(state_, controls_.Picture4->surface());
}

void frmMain::loadChosenFrame() {
    try {
        moveme(state_, folder_, controls_.picslider->value(), &controls_.Picture3->surface());
        controls_.Picture3->setNotice({});
    } catch (const LoadError& error) {
        showUnloadableFrame(error);
    }
}

void frmMain::showUnloadableFrame(const LoadError& error) {
    // An empty grey frame, so that "Display Picture" cannot show the previous frame's edges
    // under the new frame number.
    state_.grayimg.fill(0);
    controls_.Picture3->surface().clear();
    controls_.Picture3->setNotice(QString::fromStdString(error.what()));
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    for (const QWidget* box :
         {static_cast<QWidget*>(controls_.Picture3), static_cast<QWidget*>(controls_.Picture4)})
        painter.drawRect(box->geometry().adjusted(-1, -1, 0, 0));
}

template <typename Handler> void frmMain::guarded(Handler handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        reportUnexpected(error);
    }
}

void frmMain::reportUnexpected(const std::exception& error) {
    const QString reason = QString::fromStdString(error.what());
    std::cerr << "vireo: " << error.what() << '\n';
    QMessageBox::critical(this, QString(), reason);
    QCoreApplication::exit(1);
}

} // namespace vireo
