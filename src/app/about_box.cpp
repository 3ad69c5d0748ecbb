#include "app/about_box.h"

#include "app/about_box_memory.h"
#include "app/app_resources.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

std::function<bool(TMemoryStatus&)> TAboutBox::MemoryStatusSource = GetMemoryStatus;

namespace {

constexpr int ClientWidth = 328, ClientHeight = 279;

QLabel* Text(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->adjustSize();
    label->move(x, y);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About Dayscrib");
    setAccessibleName("About Dayscrib");
    setFixedSize(ClientWidth, ClientHeight);
    // The box's own face; the font system substitutes what it has.
    QFont face = font();
    face.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"});
    face.setStyleHint(QFont::SansSerif);
    setFont(face);
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    setPalette(black);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setAccessibleName("Dayscrib icon");
    ProgramIcon->setPixmap(::ProgramIcon().pixmap(32, 32));
    ProgramIcon->setGeometry(16, 15, 32, 32);

    Label1 = Text(this, "Label1", "Dayscrib", 65, 12);
    QFont big = Label1->font();
    big.setPixelSize(19);
    Label1->setFont(big);
    Label1->adjustSize();
    Label5 = Text(this, "Label5", "Version 1.7", 65, 37);

    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(16, 72, ClientWidth - 32, 4);

    auto* physCaption = Text(this, "Label3", "Physical Memory Available:", 16, 92);
    auto* loadCaption = Text(this, "Label4", "Memory in Use:", 16, 120);
    PhysMem = Text(this, "PhysMem", QString(), 0, 92);
    FreeRes = Text(this, "FreeRes", QString(), 0, 120);
    physCaption->setBuddy(PhysMem);
    loadCaption->setBuddy(FreeRes);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setAccessibleName("OK");
    OKButton->setDefault(true); // Enter; Escape closes the box as well
    OKButton->adjustSize();
    OKButton->move((ClientWidth - OKButton->width()) / 2, ClientHeight - OKButton->height() - 16);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    FormCreate();
}

void TAboutBox::FormCreate() {
    TMemoryStatus status;
    if (!MemoryStatusSource || !MemoryStatusSource(status)) status = TMemoryStatus();
    const QString separator = QLocale().groupSeparator();
    PhysMem->setText(
        QString::fromStdString(FormatPhysMem(status.TotalPhys, separator.toStdString())));
    FreeRes->setText(QString::fromStdString(FormatMemoryLoad(status.MemoryLoad)));
    PlaceFigures();
}

void TAboutBox::PlaceFigures() {
    // The values stand in one column after the longer caption; when a
    // caption is too long for that (a wide substitute face), each value goes
    // on the line below its caption.
    auto* physCaption = findChild<QLabel*>("Label3");
    auto* loadCaption = findChild<QLabel*>("Label4");
    for (QLabel* value : {PhysMem, FreeRes}) {
        value->setAccessibleName(value->text());
        value->adjustSize();
    }
    const int column = std::max(physCaption->width(), loadCaption->width()) + 16 + 12;
    const int widest = std::max(PhysMem->width(), FreeRes->width());
    if (column + widest <= ClientWidth - 16) {
        PhysMem->move(column, physCaption->y());
        FreeRes->move(column, loadCaption->y());
        return;
    }
    const int line = physCaption->height() + 2;
    PhysMem->move(32, physCaption->y() + line);
    loadCaption->move(16, PhysMem->y() + line + 8);
    FreeRes->move(32, loadCaption->y() + line);
}
