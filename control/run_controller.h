#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "model/organisation.h"

class QEvent;

namespace velmora {

class TForm1;

// Turns the window's buttons and timer ticks into runs of the organisation
// model: start, stop, resume, end, one period per tick and the pause after it.
// Everything runs on the user-interface thread.
class TRunController : public QObject {
    Q_OBJECT

  public:
    // Where the seed of each run comes from. Empty means the clock, which is
    // what the program uses; tests hand in fixed seeds to repeat a run.
    using TSeedSource = std::function<std::uint32_t()>;

    // Wires the window's events to the handlers below, then runs FormCreate.
    TRunController(TForm1& form, TOrganisation& org, TSeedSource seedSource = {});

    void FormCreate();
    void BitBtn1Click();     // "Start"
    void StopButtonClick();  // "Stop"
    void GoButtonClick();    // "Go"
    void BitBtn2Click();     // "End"
    void OrgFormClick();
    void timer1timer();

  protected:
    // Switches the period timer off when the window closes, in any state.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void initialize();
    // Takes the shape and the bias of the run from the window's two choices.
    void SetupOrganisation(int formIndex, int biasIndex);
    void SimOnePeriod();
    void AdvancePeriod();
    void Delay();
    void FinishRun();

    // Enabling a running timer must not restart its count; QTimer::start would.
    void EnableTimer();
    void DisableTimer();

    TForm1& Form1;
    TOrganisation& Org;
    TSeedSource SeedSource;
    // Set by the first "Start": from then on the level table belongs to the
    // run, whose roster was built for it.
    bool RunSetUp = false;
    TShape RunShape = PyramidShape;
    TParameters RunParameters;
};

}  // namespace velmora
