// The compiled half of the Python package: one panel, played through the
// headless runner, so that a tap, a wait or a check means in Python what it
// means in a script and fails with the runner's words. The package's Python
// half (kandorelle/__init__.py) turns these calls into the public API.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/core/SceneQuery.h"
#include "host/plant/PlantModel.h"
#include "host/runner/Gallery.h"
#include "host/runner/Runner.h"
#include "host/texts/PoTexts.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/settings/Settings.h"

namespace py = pybind11;

namespace {

// The firmware's state is global: a process holds one panel at a time.
bool panelOpen = false;

// What one played piece of script came to; the package maps each to an
// exception of its own.
enum class Outcome : int {
    Ran = 0,
    CheckFailed = 1,  // a check or a wait failed, or a tap found nothing to tap
    BadLine = 2,      // the line itself is wrong: nothing ran
    BadFile = 3,      // a file it would write cannot be: nothing ran
    CannotRun = 4,    // a step could not be carried out (a file, a closed window)
};

// Ctrl+C reaches Python only when it looks: a long run of ticks looks now
// and then, and stops there. The runner then stays stopped, as after a time
// limit: its state is that of a half-played command.
std::string PollSignals() {
    static unsigned polls = 0;
    if ((++polls & 1023u) != 0 || PyErr_CheckSignals() == 0) return {};
    return "interrupted; the panel cannot go on: close it and start another";
}

// Failed checks are collected by the runner; their reports go nowhere.
class Discard final : public TextSink {
public:
    void Write(std::string_view) override {}
};

RunnerOptions Options(TextSink& out, TextSink& messages) {
    RunnerOptions options;
    options.out = &out;
    options.messages = &messages;
    options.stopRequest = PollSignals;
    return options;
}

// After a stop, the exception that a signal handler raised, if any.
void RaisePending() {
    if (PyErr_Occurred() != nullptr) throw py::error_already_set();
}

// A runner with its own outputs; shared with the screen arrays that
// look into its canvas, so that an array outlives a closed panel safely.
struct Session {
    StringSink out;  // what print writes
    Discard quiet;   // failed checks are collected, not printed
    ScriptRunner runner{Options(out, quiet)};
    std::optional<long> tickCount;  // the N of a parsed "tick N", reused while N stays
    Script tick;
};

std::string LanguageCodes() {
    std::string codes;
    for (Language l = 0; l < kLanguageCount; ++l) codes += (l == 0 ? "" : ", ") + std::string(LanguageCode(l));
    return codes;
}

Language ParseLanguage(const std::string& code) {
    std::vector<Language> found;
    std::string why;
    if (code.find(',') != std::string::npos || !ParseLanguageList(code, found, why)) {
        throw py::value_error("unknown language '" + code + "' (languages: " + LanguageCodes() + ")");
    }
    return found.front();
}

// The runner's wording for a number out of its range.
void CheckRange(const char* what, long value, long lo, long hi) {
    if (value >= lo && value <= hi) return;
    throw py::value_error(std::string(what) + " '" + std::to_string(value) + "' is out of range (" +
                          std::to_string(lo) + " to " + std::to_string(hi) + ")");
}

class Panel {
public:
    Panel(const std::string& clock, const std::string& language) {
        if (panelOpen) {
            throw std::runtime_error(
                "a panel is already open in this process (the firmware's state is global): close it first, or "
                "use 'with Panel() as p:'; for panels side by side, run tests in processes of their own "
                "(pytest -n)");
        }
        if (clock.find('\n') != std::string::npos) throw py::value_error("clock: a time holds no line break");
        std::vector<ScriptError> errors;
        const Script script = ParseScript("clock " + clock, "clock", errors);
        if (!errors.empty()) throw py::value_error(errors.front().message);
        const Language chosen = ParseLanguage(language);
        ResetFirmwareState();
        session_ = std::make_shared<Session>();
        session_->runner.SetClock(script.commands.front().time);
        session_->runner.Host();
        Settings.language = chosen;
        StoreSettingsField(SETTINGS_FIELD(language));
        panelOpen = true;
    }

    ~Panel() { Close(); }

    void Close() {
        if (!session_) return;
        session_.reset();
        panelOpen = false;
    }

    bool Closed() const { return !session_; }

    void Tick(long count) {
        Session& s = Live();
        if (count != s.tickCount) {
            std::vector<ScriptError> errors;
            Script script = ParseScript("tick " + std::to_string(count), "tick", errors);
            if (!errors.empty()) throw py::value_error(errors.front().message);
            s.tick = std::move(script);
            s.tickCount = count;
        }
        ScriptError error;
        if (s.runner.Execute(s.tick, error) == ScriptStatus::Ran) return;
        RaisePending();
        throw std::runtime_error(error.message);
    }

    // The panel's picture as 240 x 320 x 3 bytes: a read-only view into the
    // window's image (0xFFRRGGBB words), or a copy of it. Not a CaptureScreen:
    // the API promises a view that follows the panel at no cost, so the array
    // reads the canvas in place through its strides (every zoom-th word, the
    // red, green and blue bytes of each) and nothing is converted or copied.
    py::array Screen(bool copy) {
        Session& s = Live();
        PanelHost& host = s.runner.Host();
        const Canvas& canvas = host.GetCanvas();
        const py::ssize_t zoom = host.Zoom();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(canvas.Pixels());
        // Red is the third byte of a word in memory on a little-endian machine.
        constexpr bool kLittle = std::endian::native == std::endian::little;
        const std::uint8_t* red = bytes + (kLittle ? 2 : 1);
        const py::ssize_t step = kLittle ? -1 : 1;
        py::capsule keep(new std::shared_ptr<Session>(session_),
                         [](void* p) { delete static_cast<std::shared_ptr<Session>*>(p); });
        py::array view(py::dtype::of<std::uint8_t>(),
                       {py::ssize_t{kScreenHeight}, py::ssize_t{kScreenWidth}, py::ssize_t{3}},
                       {canvas.Stride() * 4 * zoom, 4 * zoom, step}, red, keep);
        py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
        if (!copy) return view;
        return py::array::ensure(view.attr("copy")());
    }

    py::tuple Pixel(long x, long y) {
        CheckRange("x", x, 0, kScreenWidth - 1);
        CheckRange("y", y, 0, kScreenHeight - 1);
        PanelHost& host = Live().runner.Host();
        const int zoom = host.Zoom();
        const std::uint32_t rgb = host.GetCanvas().RgbAt(static_cast<int>(x) * zoom, static_cast<int>(y) * zoom);
        return py::make_tuple((rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu);
    }

    std::vector<std::string> Texts() { return ShownTexts(Live().runner.Host().GetScene()); }

    std::string SceneJson() { return Live().runner.Host().GetScene().Json(); }

    std::tuple<int, std::string> Page() {
        Live();
        return {AppState.currentPage, PageSlug(AppState.currentPage)};
    }

    // Whether a text (quoted) or a name is on the screen, within a region
    // when one is given (an element counts when its centre lies in it).
    bool Shows(const std::string& word, bool quoted, std::optional<std::tuple<long, long, long, long>> within) {
        const Scene& scene = Live().runner.Host().GetScene();
        SceneTarget target;
        std::string why;
        if (!ParseSceneTarget(word, quoted, target, why)) throw py::value_error(why);
        SceneBox region;
        if (within) {
            const auto [x, y, w, h] = *within;
            CheckRange("x", x, 0, kScreenWidth - 1);
            CheckRange("y", y, 0, kScreenHeight - 1);
            CheckRange("width", w, 1, kScreenWidth);
            CheckRange("height", h, 1, kScreenHeight);
            region = {static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h)};
        }
        const SceneBox* in = within ? &region : nullptr;
        switch (target.kind) {
            case SceneTarget::Kind::Text: return ShowsText(scene, target.value, in);
            case SceneTarget::Kind::TextName: return ShowsTextId(scene, target.textId, in);
            case SceneTarget::Kind::Name:
            case SceneTarget::Kind::Row: break;
        }
        for (const SceneElement* e : FindTargets(scene, target)) {
            if (in == nullptr || in->Contains(e->box.CentreX(), e->box.CentreY())) return true;
        }
        return false;
    }

    // Plays script lines as one script: (outcome, message, printed output).
    // A failed check lets the rest run, as in a script; the message then
    // holds every failure, one a line.
    // With `update`, expect screen writes its golden image instead.
    std::tuple<int, std::string, std::string> Run(const std::string& text, const std::string& file, bool update) {
        Session& s = Live();
        std::vector<ScriptError> errors;
        const Script script = ParseScript(text, file, errors);
        if (!errors.empty()) return {static_cast<int>(Outcome::BadLine), Messages(errors, file), ""};
        CheckScriptFiles(script, errors);
        if (!errors.empty()) return {static_cast<int>(Outcome::BadFile), Messages(errors, file), ""};
        const std::size_t failedBefore = s.runner.Failures().size();
        ScriptError error;
        s.runner.SetUpdate(update);
        const ScriptStatus status = s.runner.Execute(script, error);
        s.runner.SetUpdate(false);
        if (status == ScriptStatus::BadInput) RaisePending();
        std::string output = s.out.Text();
        s.out.Clear();
        switch (status) {
            case ScriptStatus::Ran: return {static_cast<int>(Outcome::Ran), "", output};
            case ScriptStatus::CheckFailed: {
                const auto& all = s.runner.Failures();
                const std::vector<ScriptError> failed(all.begin() + static_cast<long>(failedBefore), all.end());
                return {static_cast<int>(Outcome::CheckFailed), Messages(failed, file), output};
            }
            case ScriptStatus::BadInput: break;
        }
        return {static_cast<int>(Outcome::CannotRun), Messages({error}, file), output};
    }

    // A plant value as Python sees it: a number, True/False, or None for an
    // absent sensor.
    py::object PlantGet(const std::string& name) {
        Session& s = Live();
        const std::optional<int> entry = PlantModel::Find(name);
        if (!entry) throw py::key_error("unknown name '" + name + "'; valid names: " + PlantModel::NameList());
        const PlantEntry& e = PlantModel::Entries()[static_cast<std::size_t>(*entry)];
        const std::int64_t value = s.runner.Plant().Get(*entry);
        switch (e.type) {
            case PlantType::Temperature:
                if (s.runner.Plant().Format(*entry) == "absent") return py::none();
                return py::float_(static_cast<double>(value) / 10.0);
            case PlantType::Tenths: return py::float_(static_cast<double>(value) / 10.0);
            case PlantType::Flag: return py::bool_(value != 0);
            case PlantType::Integer:
            case PlantType::Status:
            case PlantType::Fault: break;
        }
        return py::int_(value);
    }

    // Sets a plant value from the words a script would give it (95.5, on,
    // absent, clear), checked as the runner's set checks it.
    void PlantSet(const std::string& name, const std::string& value) {
        Session& s = Live();
        PlantValue parsed;
        std::string why;
        if (!PlantModel::Find(name))
            throw py::key_error("unknown name '" + name + "'; valid names: " + PlantModel::NameList());
        if (!PlantModel::Parse(name, value, parsed, why)) throw py::value_error(why);
        s.runner.Plant().Set(parsed);
    }

    std::string GetLanguage() {
        Live();
        return Settings.language < kLanguageCount ? LanguageCode(Settings.language) : "";
    }

    // As the panel's language list switches: stored, and the page entered
    // afresh so that everything on it is in the new language.
    void SetLanguage(const std::string& code) {
        Live();
        const Language language = ParseLanguage(code);
        if (language == Settings.language) return;
        Settings.language = language;
        StoreSettingsField(SETTINGS_FIELD(language));
        GoToPage(AppState.currentPage);
    }

private:
    Session& Live() {
        if (!session_) throw std::runtime_error("the panel is closed");
        return *session_;
    }

    // The messages of one call: a single line stands alone, as the call's
    // own message; several keep their places.
    static std::string Messages(const std::vector<ScriptError>& errors, const std::string& file) {
        if (errors.size() == 1 && errors.front().file == file && file != "-e") return errors.front().message;
        std::string text;
        for (const ScriptError& e : errors) {
            if (!text.empty()) text += '\n';
            text += e.Text();
        }
        return text;
    }

    std::shared_ptr<Session> session_;
};

// tick() is what a test calls most, often one tick at a time in a loop of
// its own: it takes CPython's fast calling convention instead of pybind11's
// general dispatcher, which alone would cost more than an idle tick.
PyObject* FastTick(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const Py_ssize_t keywords = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    if (nargs + keywords > 1) {
        PyErr_Format(PyExc_TypeError, "tick() takes at most 1 argument (%zd given)", nargs + keywords);
        return nullptr;
    }
    if (keywords == 1 && PyUnicode_CompareWithASCIIString(PyTuple_GET_ITEM(kwnames, 0), "n") != 0) {
        PyErr_Format(PyExc_TypeError, "tick() got an unexpected keyword argument '%U'", PyTuple_GET_ITEM(kwnames, 0));
        return nullptr;
    }
    long count = 1;
    if (nargs + keywords == 1) {
        PyObject* n = args[0];
        if (!PyLong_Check(n) || PyBool_Check(n)) {
            PyErr_Format(PyExc_TypeError, "tick(): n must be an int, not %s", Py_TYPE(n)->tp_name);
            return nullptr;
        }
        int overflow = 0;
        count = PyLong_AsLongAndOverflow(n, &overflow);
        if (overflow != 0) count = overflow > 0 ? LONG_MAX : LONG_MIN;  // out of range: the runner says so
    }
    try {
        py::cast<Panel&>(py::handle(self)).Tick(count);
    } catch (py::error_already_set& e) {
        e.restore();
        return nullptr;
    } catch (py::builtin_exception& e) {
        e.set_error();
        return nullptr;
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
        return nullptr;
    }
    Py_RETURN_NONE;
}

}  // namespace

PYBIND11_MODULE(_kandorelle, m) {
    m.doc() = "The Kandorelle II panel's compiled core; use the kandorelle package.";
    py::class_<Panel> core(m, "Panel", "The compiled core of kandorelle.Panel.");
    core.def(py::init<const std::string&, const std::string&>(), py::arg("clock"), py::arg("language"))
        .def("close", &Panel::Close, "Frees the panel, so that another can start in this process.")
        .def_property_readonly("closed", &Panel::Closed, "Whether the panel was closed.")
        .def("screen", &Panel::Screen, py::kw_only(), py::arg("copy") = false,
             "The panel's picture as a read-only uint8 array of shape (240, 320, 3), RGB.\n\n"
             "Without copy it is a view into the panel's image: it follows the panel as it\n"
             "runs, at no cost; copy=True (or .copy()) keeps the picture of this moment.")
        .def("pixel", &Panel::Pixel, py::arg("x"), py::arg("y"),
             "The colour of panel pixel (x, y) as an (r, g, b) tuple, as the window shows it.")
        .def("texts", &Panel::Texts,
             "The texts on the screen, in reading order; texts side by side on one base line\n"
             "read as one ('55 °C').")
        .def("_scene_json", &Panel::SceneJson)
        .def("_page", &Panel::Page)
        .def("_shows", &Panel::Shows, py::arg("word"), py::arg("quoted"), py::arg("within"))
        .def("_run", &Panel::Run, py::arg("text"), py::arg("file"), py::arg("update") = false)
        .def("_plant_get", &Panel::PlantGet, py::arg("name"))
        .def("_plant_set", &Panel::PlantSet, py::arg("name"), py::arg("value"))
        .def_property("language", &Panel::GetLanguage, &Panel::SetLanguage,
                      "The panel's language as a code (de, en, fr, it, es, nl, pl); setting it switches\n"
                      "as the panel's language list does and draws the page afresh.");
    static PyMethodDef tick{"tick", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(FastTick)),
                            METH_FASTCALL | METH_KEYWORDS,
                            "tick($self, /, n=1)\n--\n\nRuns n ticks of 12 ms (default 1)."};
    core.attr("tick") =
        py::reinterpret_steal<py::object>(PyDescr_NewMethod(reinterpret_cast<PyTypeObject*>(core.ptr()), &tick));
    m.def("_plant_names", [] {
        std::vector<std::string> names;
        for (const PlantEntry& e : PlantModel::Entries()) names.emplace_back(e.name);
        return names;
    });
    m.def("_languages", [] {
        std::vector<std::string> codes;
        for (Language l = 0; l < kLanguageCount; ++l) codes.emplace_back(LanguageCode(l));
        return codes;
    });
    m.def("_page_names", [] {
        std::vector<std::string> names;
        for (int page = 0; page < kPageCount; ++page) names.push_back(PageSlug(static_cast<std::uint8_t>(page)));
        return names;
    });
}
