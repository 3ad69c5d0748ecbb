#include "app/splash_form.h"

#include "app/app_resources.h"
#include "app/splash_form_jpeg.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

std::chrono::milliseconds TSplashFrm::Pause{1500};
QString TSplashFrm::PicturePath = QStringLiteral(":/splash.jpg");

namespace {

constexpr int ClientWidth = 311, ClientHeight = 288, Border = 5;

// Courier New where it is installed, else a face with the same metrics,
// else any fixed-pitch face.
QFont LabelFont() {
    QFont font;
    font.setFamilies({"Courier New", "Liberation Mono", "Cousine", "Nimbus Mono PS", "FreeMono"});
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(true);
    font.setPixelSize(27);
    return font;
}

} // namespace

TSplashFrm::TSplashFrm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashFrm");
    setAccessibleName("Dayscrib");
    setFixedSize(ClientWidth, ClientHeight);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, ClientWidth, ClientHeight);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Dayscrib picture");
    Image1->setGeometry(Border, Border, ClientWidth - 2 * Border, ClientHeight - 2 * Border);
    Image1->setScaledContents(true);

    Label1 = new QLabel("Dayscrib", Panel1);
    Label1->setObjectName("Label1");
    Label1->setAccessibleName("Dayscrib");
    Label1->setFont(LabelFont());
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->adjustSize();
    Label1->move(15, 25);
    Label1->raise();

    LoadPicture();
}

void TSplashFrm::LoadPicture() {
    InitResources();
    QFile file(PicturePath);
    if (!file.open(QIODevice::ReadOnly)) return; // no picture: the panel stays white
    const QImage image = DecodeJpeg(file.readAll());
    if (image.isNull()) return;
    Image1->setPixmap(QPixmap::fromImage(image));
    hasPicture_ = true;
}

void TSplashFrm::ShowSplash() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    raise();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (Pause.count() <= 0) return;
    // A wait that keeps painting: the window stays drawn if it is uncovered.
    QEventLoop wait;
    QTimer::singleShot(Pause, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

void TSplashFrm::AllowDialogsAbove() {
    if (!(windowFlags() & Qt::WindowStaysOnTopHint)) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, false); // hides the window
    if (visible) show();
}
