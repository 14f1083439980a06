// The Python module `karvell`: a template expanded from Python rows into pages, written as PDF
// or as a spreadsheet, without a display.
//   t = karvell.Template("edj/记账凭证.edj")      # or karvell.Template.from_bytes(data)
//   pages = t.expand({"主表": [...], "从表": [...]}, variables={...}, add_space=True)
//   pages.page_count; pages.save_pdf("v.pdf"); pages.save_xlsx("v.xlsx"); t.dump()
#include <QFile>
#include <QGuiApplication>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "pages.h"
#include "platform/error.h"
#include "platform/fileopen.h"
#include "platform/logfont.h"
#include "platform/session.h"
#include "pyrows.h"

namespace py = pybind11;
using namespace karvell;
using namespace karvell::python;

namespace {

// The runtime measures and paints text, which takes a GUI application. A program that has its
// own keeps it; otherwise one is made on first use, on the offscreen platform unless
// QT_QPA_PLATFORM asks for another.
void EnsureApplication() {
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            throw KarvellError(
                QStringLiteral("karvell 需要 QGuiApplication，而进程中已有的是 QCoreApplication"));
        return;
    }
    PrepareSessionEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "karvell";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives as long as the process
    InstallFontSubstitutions();
}

QString PathText(const py::handle& path) {
    return QString::fromStdString(
        py::module_::import("os").attr("fspath")(path).cast<std::string>());
}

class Template {
public:
    Template(QByteArray bytes, QString name) : m_bytes(std::move(bytes)), m_name(std::move(name)) {
        EnsureApplication();
        py::gil_scoped_release unlocked;
        CheckTemplate(m_bytes, m_name);
    }

    static Template FromFile(const py::handle& path) {
        const QString file = PathText(path);
        QFile f(file);
        QString why;
        if (!OpenForReading(f, &why))
            throw KarvellError(QStringLiteral("无法打开文件“%1”：%2").arg(file, why));
        QByteArray bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            throw KarvellError(QStringLiteral("无法读取文件“%1”：%2").arg(file, f.errorString()));
        return Template(std::move(bytes), file);
    }

    static Template FromBytes(const py::bytes& data) {
        const std::string bytes = data;
        return Template(QByteArray(bytes.data(), qsizetype(bytes.size())),
                        QStringLiteral("<bytes>"));
    }

    std::unique_ptr<Pages> Expand(const py::handle& datasets, const py::handle& variables,
                                  bool addSpace) const {
        EnsureApplication();
        ExpandRequest request;
        request.templateBytes = m_bytes;
        request.templateName = m_name;
        request.tables = ConvertDataSets(datasets); // wrong types raise here, before any work
        request.variables = ConvertVariables(variables);
        request.addSpace = addSpace;
        py::gil_scoped_release unlocked;
        return Pages::Expand(request);
    }

    py::object Dump() const {
        EnsureApplication();
        QByteArray json;
        {
            py::gil_scoped_release unlocked;
            json = DumpTemplate(m_bytes, m_name);
        }
        return py::module_::import("json").attr("loads")(py::bytes(json.constData(), json.size()));
    }

    QString Name() const { return m_name; }

private:
    QByteArray m_bytes;
    QString m_name;
};

} // namespace

namespace pybind11::detail {
// QString to and from Python str.
template <> struct type_caster<QString> {
    PYBIND11_TYPE_CASTER(QString, const_name("str"));
    bool load(handle src, bool) {
        if (!PyUnicode_Check(src.ptr())) return false;
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(src.ptr(), &size);
        if (!utf8) {
            PyErr_Clear();
            return false;
        }
        value = QString::fromUtf8(utf8, size);
        return true;
    }
    static handle cast(const QString& s, return_value_policy, handle) {
        const QByteArray utf8 = s.toUtf8();
        return PyUnicode_FromStringAndSize(utf8.constData(), utf8.size());
    }
};
template <> struct type_caster<QStringList> : list_caster<QStringList, QString> {};
} // namespace pybind11::detail

PYBIND11_MODULE(karvell, m) {
    m.doc() = "Report templates expanded from Python rows into pages (PDF, spreadsheet).";
    m.attr("__version__") = KARVELL_VERSION;
    static py::exception<KarvellError> error(m, "Error");
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const KarvellError& e) {
            PyErr_SetString(error.ptr(), e.message().toUtf8().constData());
        }
    });

    py::class_<Pages>(m, "Pages", "The pages of one complete expansion.")
        .def_property_readonly("page_count", &Pages::PageCount)
        .def_property_readonly("warnings", &Pages::Warnings,
                               "What the run noticed without failing (texts).")
        .def("__len__", &Pages::PageCount)
        .def(
            "save_pdf",
            [](const Pages& pages, const py::handle& path) {
                const QString file = PathText(path);
                py::gil_scoped_release unlocked;
                pages.SavePdf(file);
            },
            py::arg("path"), "Writes the pages as one PDF file (whole or not at all).")
        .def(
            "save_xlsx",
            [](const Pages& pages, const py::handle& path) {
                const QString file = PathText(path);
                py::gil_scoped_release unlocked;
                pages.SaveXlsx(file);
            },
            py::arg("path"),
            "Writes the pages as one spreadsheet: a page break after each page, numbers as "
            "numbers.");

    py::class_<Template>(m, "Template", "A report template (.ept, .edj).")
        .def(py::init(&Template::FromFile), py::arg("path"),
             "Reads the template file; karvell.Error when it cannot be read or is no template.")
        .def_static("from_bytes", &Template::FromBytes, py::arg("data"),
                    "A template from the bytes of a template file.")
        .def("expand", &Template::Expand, py::arg("datasets"), py::kw_only(),
             py::arg("variables") = py::none(), py::arg("add_space") = false,
             "Fills the template from `datasets` (name -> sequence of dicts of field -> value: "
             "str, int, float, decimal.Decimal, datetime.date, datetime.datetime, bytes, None) "
             "and `variables` (name -> value) and expands it into pages. The interpreter lock "
             "is released meanwhile.")
        .def("dump", &Template::Dump,
             "The template as a dict: the page, lines and cells as `karvell dump` prints them.")
        .def_property_readonly("name", &Template::Name)
        .def("__repr__", [](const Template& t) {
            return QStringLiteral("<karvell.Template %1>").arg(t.Name());
        });
}
