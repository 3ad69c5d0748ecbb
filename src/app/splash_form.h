// The splash window shown while the main window is created: no border, on
// top, centred, a white panel with a 5-pixel border holding the picture
// stretched over its inside and the "Dayscrib" label on it.
#pragma once

#include <QString>
#include <QWidget>
#include <chrono>

class QLabel;

class TSplashFrm : public QWidget {
    Q_OBJECT

public:
    explicit TSplashFrm(QWidget* parent = nullptr);

    // How long ShowSplash waits with the window up (1500 ms; test programs
    // shorten it, so that every main window they make does not cost it).
    static std::chrono::milliseconds Pause;
    // Where the picture comes from (the compiled-in JPEG; tests point it at
    // damaged or missing files).
    static QString PicturePath;

    QWidget* Panel1 = nullptr;
    QLabel* Image1 = nullptr; // the picture, stretched to 301 x 278
    QLabel* Label1 = nullptr; // "Dayscrib"

    // True when the picture was decoded (otherwise the panel stays white).
    bool HasPicture() const { return hasPicture_; }

    // Shows the window centred on the screen, lets it paint, then waits
    // `Pause` while paint and timer events go on (input is held back).
    void ShowSplash();
    // Lets windows opened from now on (the login prompt) come above the
    // splash, which stays visible beneath them.
    void AllowDialogsAbove();

private:
    void LoadPicture();
    bool hasPicture_ = false;
};
