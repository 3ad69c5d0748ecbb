// The about box: the program's icon, name and version, and the machine's
// physical memory and memory load, read once when the box is made.
#pragma once

#include "platform/mem_status.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Where the memory figures come from (/proc/meminfo; tests give their
    // own). False: the figures are unknown and show as zero.
    static std::function<bool(TMemoryStatus&)> MemoryStatusSource;

    QLabel* ProgramIcon = nullptr;
    QLabel* Label1 = nullptr; // "Dayscrib"
    QLabel* Label5 = nullptr; // "Version 1.7"
    QLabel* PhysMem = nullptr;
    QLabel* FreeRes = nullptr;
    QPushButton* OKButton = nullptr;

private:
    void FormCreate();
    void PlaceFigures();
};
