// morvane._core: numpy arrays in and out of morvane_batch, the interpreter's
// lock released while the columns are worked. Arguments are checked here,
// by name; morvane/__init__.py turns lists and Series into arrays first.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <string>
#include <vector>

#include "python/batch.h"

namespace py = pybind11;
using morvane::batch::Column;

namespace {

// Element i of an object array: a str's own characters (one, two or four
// bytes each, as Python keeps them) or a bytes object's, read in place with
// the interpreter's lock released. That is safe: the array holds a
// reference to every element for the whole call, and neither str nor bytes
// ever changes. Anything else (None, NaN, pd.NA) holds no locator.
morvane::batch::Text ObjectText(const void* context, std::size_t i) {
  const auto* column = static_cast<const Column*>(context);
  PyObject* o;
  std::memcpy(&o, column->data + static_cast<std::ptrdiff_t>(i) * column->stride, sizeof o);
  if (PyUnicode_Check(o)) {
#if PY_VERSION_HEX < 0x030C0000
    if (!PyUnicode_IS_READY(o)) return {nullptr, 0, 1};  // only the long-deprecated C API makes these
#endif
    return {static_cast<const char*>(PyUnicode_DATA(o)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(o)),
            static_cast<std::size_t>(PyUnicode_KIND(o))};
  }
  if (PyBytes_Check(o)) return {PyBytes_AS_STRING(o), static_cast<std::size_t>(PyBytes_GET_SIZE(o)), 1};
  return {nullptr, 0, 1};
}

// A one-dimensional numpy array of text: fixed-width ('S' or 'U'), or
// objects read one by one, never converted.
class TextColumn {
 public:
  TextColumn(const py::array& a, const char* name) {
    const char kind = a.dtype().kind();
    if (kind != 'S' && kind != 'U' && kind != 'O')
      throw py::type_error(std::string(name) + ": locators must be text (a str array, a list of str or a Series)");
    if (a.ndim() != 1) throw py::value_error(std::string(name) + ": locators must be one-dimensional");
    if (kind == 'O') {
      objects_ = {static_cast<const char*>(a.data()), a.strides(0), 0, 1};
      column_ = {nullptr, 0, 0, 1, ObjectText, &objects_};
      return;
    }
    const std::size_t charBytes = kind == 'U' ? 4 : 1;
    column_ = {static_cast<const char*>(a.data()), a.strides(0), static_cast<std::size_t>(a.itemsize()) / charBytes,
               charBytes};
  }
  TextColumn(const TextColumn&) = delete;  // the column points at objects_
  const Column& column() const { return column_; }

 private:
  Column objects_{}, column_{};
};

py::array_t<double> Doubles(const py::array& a, const char* name) {
  if (a.ndim() != 1) throw py::value_error(std::string(name) + ": must be one-dimensional");
  if (a.dtype().kind() != 'f' && a.dtype().kind() != 'i' && a.dtype().kind() != 'u')
    throw py::type_error(std::string(name) + ": must be numbers");
  return py::array_t<double>::ensure(a);  // float64, converted only when it is not
}

unsigned Threads(int threads) {
  if (threads < 0) throw py::value_error("threads: must be 0 (all processors) or more");
  return static_cast<unsigned>(threads);
}

// Two columns of text of one length, for the answers per pair.
struct Pair {
  TextColumn base, target;
  std::size_t n;
  Pair(const py::array& b, const py::array& t) : base(b, "base"), target(t, "target") {
    if (b.shape(0) != t.shape(0)) throw py::value_error("base, target: must have the same length");
    n = static_cast<std::size_t>(b.shape(0));
  }
};

py::array_t<double> Doubles(std::size_t rows) { return py::array_t<double>(static_cast<py::ssize_t>(rows)); }
py::array_t<double> Doubles(std::size_t rows, std::size_t columns) {
  return py::array_t<double>(std::vector<py::ssize_t>{static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
}

// out[r][i] = answers[r][codes[i]], a code below 0 taking the last column:
// every row of answers in one pass over the codes, in their own integer type.
// False, with out partly written, for a code beyond the answers.
template <typename Code>
bool Spread(const double* answers, std::size_t rows, std::size_t columns, const Code* codes, std::size_t n,
            double* out) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t c = codes[i] < 0 ? columns - 1 : static_cast<std::size_t>(codes[i]);
    if (c >= columns) return false;
    for (std::size_t r = 0; r < rows; ++r) out[r * n + i] = answers[r * columns + c];
  }
  return true;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The Morvane locator core over numpy arrays (see morvane).";

  m.attr("__version__") = MORVANE_VERSION;

  m.def("valid", [](const py::array& locators, int threads) {
    const TextColumn text(locators, "locators");
    const Column& c = text.column();
    const std::size_t n = static_cast<std::size_t>(locators.shape(0));
    py::array_t<bool> out(static_cast<py::ssize_t>(n));
    bool* o = out.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Valid(c, n, o, th);
    }
    return out;
  }, py::arg("locators"), py::arg("threads") = 0);

  m.def("lengths", [](const py::array& locators, int threads) {
    const TextColumn text(locators, "locators");
    const std::size_t n = static_cast<std::size_t>(locators.shape(0));
    py::array_t<std::int8_t> out(static_cast<py::ssize_t>(n));
    std::int8_t* o = out.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Lengths(text.column(), n, o, th);
    }
    return out;
  }, py::arg("locators"), py::arg("threads") = 0);

  m.def("centre", [](const py::array& locators, int threads) {
    const TextColumn text(locators, "locators");
    const Column& c = text.column();
    const std::size_t n = static_cast<std::size_t>(locators.shape(0));
    py::array_t<double> lat(static_cast<py::ssize_t>(n)), lon(static_cast<py::ssize_t>(n));
    double *y = lat.mutable_data(), *x = lon.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Centres(c, n, y, x, th);
    }
    return py::make_tuple(lat, lon);
  }, py::arg("locators"), py::arg("threads") = 0);

  m.def("encode", [](const py::array& latitude, const py::array& longitude, int precision, int threads) {
    const py::array_t<double> lat = Doubles(latitude, "lat"), lon = Doubles(longitude, "lon");
    if (lat.shape(0) != lon.shape(0)) throw py::value_error("lat, lon: must have the same length");
    if (precision != 2 && precision != 4 && precision != 6 && precision != 8 && precision != 10)
      throw py::value_error("precision: must be 2, 4, 6, 8 or 10");
    const std::size_t n = static_cast<std::size_t>(lat.shape(0));
    py::array out(py::dtype("<U" + std::to_string(precision)), std::vector<py::ssize_t>{static_cast<py::ssize_t>(n)});
    auto* o = static_cast<std::uint32_t*>(out.mutable_data());
    const double *y = lat.data(), *x = lon.data();
    const std::ptrdiff_t ys = lat.strides(0), xs = lon.strides(0);
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Encode(y, ys, x, xs, n, precision, o, th);
    }
    return out;
  }, py::arg("lat"), py::arg("lon"), py::arg("precision") = 6, py::arg("threads") = 0);

  m.def("path", [](const py::array& base, const py::array& target, bool longPath, bool ellipsoid, bool rounded,
                   bool miles, int threads) {
    const TextColumn baseText(base, "base"), targetText(target, "target");
    const Column &b = baseText.column(), &t = targetText.column();
    if (base.shape(0) != target.shape(0)) throw py::value_error("base, target: must have the same length");
    if (longPath && ellipsoid) throw py::value_error("long, ellipsoid: cannot be combined");
    const std::size_t n = static_cast<std::size_t>(base.shape(0));
    py::array_t<double> azimuth(static_cast<py::ssize_t>(n)), km(static_cast<py::ssize_t>(n));
    double *a = azimuth.mutable_data(), *k = km.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Paths(b, t, n, {longPath, ellipsoid, rounded, miles}, a, k, th);
    }
    return py::make_tuple(azimuth, km);
  }, py::arg("base"), py::arg("target"), py::arg("long") = false, py::arg("ellipsoid") = false,
     py::arg("rounded") = false, py::arg("miles") = false, py::arg("threads") = 0);

  m.def("spread", [](const py::array_t<double, py::array::c_style>& answers, const py::array& codes,
                     py::array_t<double, py::array::c_style>& out) {
    if (answers.ndim() != 2 || out.ndim() != 2 || codes.ndim() != 1 || answers.shape(0) != out.shape(0) ||
        codes.shape(0) != out.shape(1) || answers.shape(1) < 1)
      throw py::value_error("spread: shapes do not agree");
    const std::size_t rows = static_cast<std::size_t>(answers.shape(0)), columns = static_cast<std::size_t>(answers.shape(1)),
                      n = static_cast<std::size_t>(codes.shape(0));
    const py::dtype kind = codes.dtype();
    const auto run = [&](auto* typed) {
      using Code = std::remove_const_t<std::remove_pointer_t<decltype(typed)>>;
      const py::array_t<Code, py::array::c_style> c = py::array_t<Code, py::array::c_style>::ensure(codes);
      const double* a = answers.data();
      double* o = out.mutable_data();
      bool ok;
      {
        py::gil_scoped_release released;
        ok = Spread(a, rows, columns, c.data(), n, o);
      }
      if (!ok) throw py::value_error("spread: a code beyond the answers");
    };
    if (kind.is(py::dtype::of<std::int8_t>())) run(static_cast<const std::int8_t*>(nullptr));
    else if (kind.is(py::dtype::of<std::int16_t>())) run(static_cast<const std::int16_t*>(nullptr));
    else if (kind.is(py::dtype::of<std::int32_t>())) run(static_cast<const std::int32_t*>(nullptr));
    else run(static_cast<const std::int64_t*>(nullptr));
  }, py::arg("answers"), py::arg("codes"), py::arg("out"));

  m.def("path_points", [](const py::array& base, const py::array& target, bool longPath, const py::array& fractions,
                          int threads) {
    const Pair p(base, target);
    const py::array_t<double> f = Doubles(fractions, "fractions");
    const std::size_t count = static_cast<std::size_t>(f.shape(0));
    const py::array_t<double, py::array::c_style> at(f);
    py::array_t<double> lat = Doubles(p.n, count), lon = Doubles(p.n, count);
    double *y = lat.mutable_data(), *x = lon.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::PathPoints(p.base.column(), p.target.column(), p.n, longPath, at.data(), count, y, x, th);
    }
    return py::make_tuple(lat, lon);
  }, py::arg("base"), py::arg("target"), py::arg("long"), py::arg("fractions"), py::arg("threads") = 0);

  m.def("vertex", [](const py::array& base, const py::array& target, bool longPath, int threads) {
    const Pair p(base, target);
    py::array_t<double> lat = Doubles(p.n), lon = Doubles(p.n);
    double *y = lat.mutable_data(), *x = lon.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::Vertices(p.base.column(), p.target.column(), p.n, longPath, y, x, th);
    }
    return py::make_tuple(lat, lon);
  }, py::arg("base"), py::arg("target"), py::arg("long") = false, py::arg("threads") = 0);

  m.def("bounds", [](const py::array& base, const py::array& target, bool longPath, bool miles, int threads) {
    const Pair p(base, target);
    py::array_t<double> nearest = Doubles(p.n), farthest = Doubles(p.n);
    double *a = nearest.mutable_data(), *b = farthest.mutable_data();
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::DistanceBounds(p.base.column(), p.target.column(), p.n, {longPath, false, false, miles}, a, b,
                                     th);
    }
    return py::make_tuple(nearest, farthest);
  }, py::arg("base"), py::arg("target"), py::arg("long") = false, py::arg("miles") = false, py::arg("threads") = 0);

  m.def("sun", [](const py::array& locators, const py::array& seconds, int threads) {
    const TextColumn text(locators, "locators");
    const py::array_t<double> when = Doubles(seconds, "when");
    if (when.shape(0) != locators.shape(0)) throw py::value_error("locators, when: must have the same length");
    const std::size_t n = static_cast<std::size_t>(locators.shape(0));
    py::array_t<double> out = Doubles(n);
    double* o = out.mutable_data();
    const double* w = when.data();
    const std::ptrdiff_t stride = when.strides(0);
    const unsigned th = Threads(threads);
    {
      py::gil_scoped_release released;
      morvane::batch::SunElevations(text.column(), w, stride, n, o, th);
    }
    return out;
  }, py::arg("locators"), py::arg("seconds"), py::arg("threads") = 0);
}
