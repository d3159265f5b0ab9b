#pragma once

#include <QString>
#include <QWidget>

#include "model/organisation.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class QFrame;
class QKeyEvent;
class QShowEvent;

namespace velmora {

class TChartArea;
class TRadioGroup;

// The program's one window: every control at its place, and the drawing of the
// three charts from the organisation's figures. It holds no simulation rule;
// the run controller wires the controls' events to its handlers.
class TForm1 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm1(TOrganisation& org, QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls in creation order; the window owns them.
    TChartArea* OrgMap = nullptr;
    TChartArea* ScoreMap = nullptr;
    TChartArea* MFMap = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "Start"
    QPushButton* BitBtn2 = nullptr;  // "End", the default button
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QPushButton* StopButton = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* GoButton = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* StaticText3 = nullptr;
    QTimer* Timer1 = nullptr;               // created enabled at 100 ms
    TRadioGroup* OrgForm = nullptr;         // inside Panel1: "Pyramid", "Rectangle"
    TRadioGroup* Discrimination = nullptr;  // inside Panel1: "1%", "5%"

    // Chart drawing. Each chart keeps the last picture drawn on it and shows
    // it at once (synchronous repaint), also while a period is still running.
    void InitialScreen();
    void DrawOrgMap();
    void DrawMFMap(bool Initial);
    void ClearScoreMap();
    void ShowResults();

    // Sets a one-line field's text and repaints it at once.
    static void ShowText(QLineEdit* field, const QString& text);
    // Appends one line to the job log.
    void AppendLog(const QString& line);

    // The outer size the window asks the window manager for.
    static constexpr int OuterWidth = 642;
    static constexpr int OuterHeight = 559;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void CreateControls();
    void CreatePanel();
    void SetTabOrder();
    void FitOuterSize();
    void EraseChart(TChartArea* chart);
    void DrawScores();

    TOrganisation& Org;
    int FitAttempts = 0;
};

}  // namespace velmora
