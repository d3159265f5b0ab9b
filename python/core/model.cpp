#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/run.h"
#include "python/core/columns.h"
#include "python/core/register.h"
#include "python/core/request.h"
#include "python/core/watch.h"
#include "research/simulate.h"
#include "research/usage_error.h"

namespace velmora::python {

namespace {

// One run stepped from Python, as the window steps it.
class TModel {
  public:
    TModel(const py::dict& factors, py::handle seed) {
        const research::TBatchRequest options =
            BatchRequest(FactorValues(factors), py::int_(1), seed, py::int_(1));
        Settings_ = options.Settings;
        Seed_ = options.Seed;
        SeedFromClock_ = options.SeedFromClock;
        research::StartShownRun(*Org_, Settings_, Seed_);
        Staff_ = Org_->Total;
    }

    void Step(std::int64_t periods) {
        const std::int64_t most = MaxPeriod - Org_->Period;
        if (periods < 1 || periods > most) {
            throw research::TUsageError("periods must be a whole number from 1 to " +
                                        std::to_string(most) + ", got '" + std::to_string(periods) +
                                        "'");
        }
        const std::int64_t target = Org_->Period + periods;
        Play([&](const auto& look, const std::atomic<bool>& cancel) {
            RunPeriods(*Org_, static_cast<std::int32_t>(target), look, &cancel);
        });
    }

    // Plays on until the run ends as a batch run would: its periods if set,
    // else until it finishes or reaches max_periods.
    void RunToEnd() {
        Play([&](const auto& look, const std::atomic<bool>& cancel) {
            if (Settings_.Periods) {
                RunPeriods(*Org_, *Settings_.Periods, look, &cancel);
            } else {
                velmora::RunToEnd(*Org_, Settings_.MaxPeriods, look, &cancel);
            }
        });
    }

    const TOrganisation& Org() const noexcept { return *Org_; }
    std::uint32_t Seed() const noexcept { return Seed_; }
    bool SeedFromClock() const noexcept { return SeedFromClock_; }
    std::int32_t InitialStaff() const noexcept { return Staff_; }

  private:
    static constexpr std::int64_t MaxPeriod = 2147483647;

    // Periods played with the GIL released, Python looked at every 64 of them.
    template <typename TPlay>
    void Play(const TPlay& play) {
        TPythonWatch watch(py::none(), 0);
        {
            py::gil_scoped_release release;
            std::int32_t since = 0;
            const std::function<void(const TOrganisation&)> look = [&](const TOrganisation&) {
                if (++since % 64 == 0) watch.Look(0);
            };
            play(look, watch.Cancel());
        }
        watch.Rethrow();
    }

    research::TRunSettings Settings_;
    std::unique_ptr<TOrganisation> Org_ = std::make_unique<TOrganisation>();
    std::uint32_t Seed_ = 0;
    bool SeedFromClock_ = false;
    std::int32_t Staff_ = 0;
};

// A level table, bottom level first.
template <typename T, typename Source>
py::array_t<T> PerLevel(const TOrganisation& org, const Source& values) {
    std::vector<T> column;
    for (int k = 1; k <= org.Levels; ++k) column.push_back(static_cast<T>(values[k]));
    return TakeColumn(column);
}

py::dict Roster(const TModel& model) {
    const TOrganisation& org = model.Org();
    std::vector<std::int64_t> level, rank, id;
    std::vector<bool> woman, hired;
    std::vector<double> score;
    for (int k = 1; k <= org.Levels; ++k) {
        const int first = LevelStart(org, k);
        for (int i = first; i <= LevelLast(org, k); ++i) {
            const TMember& member = org.Staff[i];
            level.push_back(k);
            rank.push_back(i - first + 1);
            id.push_back(member.Id);
            woman.push_back(member.Female);
            score.push_back(member.Score);
            hired.push_back(member.Id > model.InitialStaff());
        }
    }
    py::dict columns;
    columns["level"] = TakeColumn(level);
    columns["rank"] = TakeColumn(rank);
    columns["id"] = TakeColumn(id);
    columns["woman"] = TakeFlags(woman);
    columns["score"] = TakeColumn(score);
    columns["hired"] = TakeFlags(hired);
    return columns;
}

}  // namespace

void RegisterModel(py::module_& m) {
    using namespace pybind11::literals;
    py::class_<TModel>(m, "Model")
        .def(py::init<const py::dict&, py::handle>(), py::kw_only(), "factors"_a, "seed"_a)
        .def("step", &TModel::Step, "periods"_a = 1)
        .def("run_to_end", &TModel::RunToEnd)
        .def_property_readonly("seed", &TModel::Seed)
        .def_property_readonly("seed_from_clock", &TModel::SeedFromClock)
        .def_property_readonly("period", [](const TModel& model) { return model.Org().Period; })
        .def_property_readonly("replaced",
                               [](const TModel& model) { return model.Org().ReplacedCount; })
        .def_property_readonly("finished", [](const TModel& model) { return model.Org().Finished; })
        .def_property_readonly("finished_period",
                               [](const TModel& model) { return model.Org().FinishedPeriod; })
        .def_property_readonly("levels", [](const TModel& model) { return model.Org().Levels; })
        .def_property_readonly("women",
                               [](const TModel& model) {
                                   return PerLevel<std::int64_t>(model.Org(),
                                                                 model.Org().FemaleCount);
                               })
        .def_property_readonly("sizes",
                               [](const TModel& model) {
                                   return PerLevel<std::int64_t>(model.Org(),
                                                                 model.Org().LevelSize);
                               })
        .def_property_readonly("mean_score",
                               [](const TModel& model) {
                                   return PerLevel<double>(model.Org(), model.Org().MeanScore);
                               })
        .def("roster", &Roster);
}

}  // namespace velmora::python
