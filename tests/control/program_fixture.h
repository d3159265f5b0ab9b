#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "control/run_controller.h"
#include "display/tform1.h"
#include "model/organisation.h"

namespace velmora::testing {

// One whole program as main() builds it: organisation, window, controller,
// the window shown. Runs are seeded from a counter instead of the clock.
struct TProgram {
    // Seeds runs from firstSeed upwards, or from the clock as the program does.
    explicit TProgram(std::uint32_t firstSeed = 20240611u, bool show = true,
                      bool clockSeeds = false);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    void ClickStart();
    void ClickStop();
    void ClickGo();
    void ClickEnd();
    // Clicks an item of a radio group, as a user picks it.
    void ChooseForm(int index);
    void ChooseBias(int index);
    // Delivers one timer tick, as the event loop would; only while the timer runs.
    bool Tick();
    // Ticks until the run finishes; returns false if it has not after maxPeriods.
    bool TickToEnd(int maxPeriods = 500);
    QString LastLogLine() const;
    int LogCount(const QString& line) const;

    std::uint32_t NextSeed;
    std::unique_ptr<TOrganisation> Org;
    std::unique_ptr<TForm1> Form;
    TRunController* Controller = nullptr;  // owned by Form
};

// What one period's tally leaves for the charts and the replaced count.
struct TTally {
    std::int32_t Period = 0;
    TPerLevel<std::int32_t> FemaleCount;
    TPerLevel<double> MeanScore;
    std::int32_t ReplacedCount = 0;
    bool Finished = false;

    friend bool operator==(const TTally&, const TTally&) = default;
};

TTally TallyOf(const TOrganisation& org);

// The tallies of an undisturbed run of the model alone, period by period.
// Begins a run of the model alone, with the window's form and bias items.
void BeginWindowRun(TOrganisation& org, std::uint32_t seed, int formIndex, int biasIndex);

std::vector<TTally> ReferenceRun(std::uint32_t seed, int formIndex, int biasIndex);

// The four states of a run, read off the timer, buttons and status word.
enum class TRunState { Idle, Running, Stopped, Finished, Outside };

const char* StateName(TRunState state);

// Which row of the state table the window is in; Outside if none. Between
// periods only: inside one the timer is off by design.
TRunState ClassifyState(const TForm1& form, const TOrganisation& org);

}  // namespace velmora::testing
