#include "tests/fuzz/host_values.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>


namespace qorvid {

uint16_t InputReader::u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
uint32_t InputReader::u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
uint64_t InputReader::u64() { return u32() | (static_cast<uint64_t>(u32()) << 32); }

double InputReader::f64() {
  uint64_t bits = u64();
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

std::string InputReader::bytes(size_t n) {
  if (n > size_ - pos_) n = size_ - pos_;
  std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
  pos_ += n;
  return out;
}

std::string InputReader::rest() { return bytes(size_); }

HostPool& HostPool::instance() {
  static HostPool* pool = [] {
    HostPool* p = new HostPool;
    p->connection = HostConnection::create();
    p->bareConnection = HostConnection::create(0);
    p->otherConnection = HostConnection::create();
    auto add = [p](ComPtr<HostObject> object) {
      p->objects.emplace_back(static_cast<IDispatch*>(object.get()));
    };
    add(HostObject::create("Z", 1, 1295, "ABC"));
    ComPtr<HostObject> longForm = HostObject::create("Z", 1, 1295, "ABC");
    longForm->answerLongForm();
    add(longForm);
    // Quotes and a Cyrillic type identifier must stay inside the key literal.
    add(HostObject::create(std::string("Ж"), 2147483646, 0, "');"));
    add(HostObject::create(" ", 0, 0, "   "));
    ComPtr<HostObject> malformed = HostObject::create("Z", 1, 1, "ABC");
    malformed->answerText("{\"Z\",\"0\"}");
    add(malformed);
    ComPtr<HostObject> quoted = HostObject::create("Z", 1, 1, "ABC");
    quoted->answerText("{\"'\",\"0\",\"0\",\"0x7FFFFFFE\",\"0\",\"0\",\"-0000000001')\"}");
    add(quoted);
    // A default value is asked for whenever the object is converted.
    ComPtr<HostObject> valued = HostObject::create("Z", 1, 7, "ABC");
    valued->answerDefaultValue(0);
    add(valued);

    return p;
  }();
  static bool counted = [] {
    HostPool* p = pool;
    p->tracked.emplace_back(static_cast<IDispatch*>(p->connection.get()));
    p->tracked.emplace_back(static_cast<IDispatch*>(p->bareConnection.get()));
    p->tracked.emplace_back(static_cast<IDispatch*>(p->otherConnection.get()));
    p->tracked.emplace_back(static_cast<IDispatch*>(&p->connection->application()));
    for (const auto& o : p->objects) p->tracked.emplace_back(o.get());
    for (const auto& t : p->tracked) {
      ULONG n = t->AddRef();
      t->Release();
      p->startCounts.push_back(n - 1);
    }
    return true;
  }();
  (void)counted;
  return *pool;
}

void HostPool::checkReferenceCounts() const {
  for (size_t i = 0; i < tracked.size(); ++i) {
    ULONG n = tracked[i]->AddRef();
    tracked[i]->Release();
    if (n - 1 != startCounts[i]) {
      std::fprintf(stderr, "host object %zu holds %lu references after the input, %lu before\n", i,
                   static_cast<unsigned long>(n - 1), static_cast<unsigned long>(startCounts[i]));
      std::abort();
    }
  }
}

std::vector<HostDispatch*> HostPool::reentrant() const {
  std::vector<HostDispatch*> all = {
      connection.get(),           bareConnection.get(),           otherConnection.get(),
      &connection->application(), &bareConnection->application(), &otherConnection->application()};
  for (const auto& o : objects) all.push_back(static_cast<HostObject*>(o.get()));
  return all;
}

void HostPool::clearReentry() const {
  for (HostDispatch* d : reentrant()) d->setReentry(nullptr);
}

IDispatch* HostPool::pick(uint8_t selector) const {
  size_t i = selector % (objects.size() + 3);
  if (i < objects.size()) return objects[i].get();
  if (i == objects.size()) return connection.get();
  if (i == objects.size() + 1) return &connection->application();
  return nullptr;
}

namespace {
std::string WideForTrace(const OLECHAR* s, size_t n) {
  std::string out = "\"";
  for (size_t i = 0; i < n && i < 200; ++i) {
    OLECHAR c = s[i];
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out + (n > 200 ? "...\"" : "\"");
}
}  // namespace

std::string DescribeValue(const VARIANT& v, int depth) {
  char buffer[96];
  if (depth > 4) return "...";
  const VARTYPE vt = v.vt;
  if (vt == (VT_VARIANT | VT_BYREF)) {
    if (v.pvarVal == &v) return "ref(itself)";
    return "ref(" + DescribeValue(*v.pvarVal, depth + 1) + ")";
  }
  if (vt & VT_ARRAY) {
    SAFEARRAY* a = (vt & VT_BYREF) ? *v.pparray : v.parray;
    std::string out = (vt & VT_BYREF) ? "ref(" : "";
    std::snprintf(buffer, sizeof buffer, "array(vt %u, from %ld, %lu)[", vt & VT_TYPEMASK,
                  a ? static_cast<long>(a->rgsabound[0].lLbound) : 0L,
                  a ? static_cast<unsigned long>(a->rgsabound[0].cElements) : 0UL);
    out += buffer;
    if (a && (vt & VT_TYPEMASK) == VT_VARIANT) {
      for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i)
        out += (i ? ", " : "") + DescribeValue(static_cast<VARIANT*>(a->pvData)[i], depth + 1);
    }
    return out + ((vt & VT_BYREF) ? "])" : "]");
  }
  if (vt & VT_BYREF) {
    VARIANT target;
    VariantInit(&target);
    if ((vt & VT_TYPEMASK) == VT_DECIMAL)
      target.decVal = *v.pdecVal;
    else
      std::memcpy(&target.llVal, v.byref, sizeof target.llVal);
    target.vt = vt & ~VT_BYREF;
    return "ref(" + DescribeValue(target, depth + 1) + ")";
  }
  switch (vt) {
    case VT_EMPTY:
      return "Empty";
    case VT_NULL:
      return "Null";
    case VT_I2:
      std::snprintf(buffer, sizeof buffer, "I2 %d", v.iVal);
      break;
    case VT_I4:
      std::snprintf(buffer, sizeof buffer, "I4 %ld", static_cast<long>(v.lVal));
      break;
    case VT_R4:
      std::snprintf(buffer, sizeof buffer, "R4 %.9g", v.fltVal);
      break;
    case VT_R8:
      std::snprintf(buffer, sizeof buffer, "R8 %.17g", v.dblVal);
      break;
    case VT_CY:
      std::snprintf(buffer, sizeof buffer, "CY %lld", static_cast<long long>(v.cyVal.int64));
      break;
    case VT_DATE:
      std::snprintf(buffer, sizeof buffer, "Date %.17g", v.date);
      break;
    case VT_BSTR:
      return "Str " + WideForTrace(v.bstrVal, v.bstrVal ? SysStringLen(v.bstrVal) : 0);
    case VT_DISPATCH:
      std::snprintf(buffer, sizeof buffer, "Dispatch %p", static_cast<void*>(v.pdispVal));
      break;
    case VT_UNKNOWN:
      std::snprintf(buffer, sizeof buffer, "Unknown %p", static_cast<void*>(v.punkVal));
      break;
    case VT_ERROR:
      std::snprintf(buffer, sizeof buffer, "Error 0x%08lX", static_cast<unsigned long>(v.scode));
      break;
    case VT_BOOL:
      std::snprintf(buffer, sizeof buffer, "Bool %d", v.boolVal);
      break;
    case VT_DECIMAL:
      std::snprintf(buffer, sizeof buffer, "Decimal scale %u sign %u hi %lu lo %llu",
                    v.decVal.scale, v.decVal.sign, static_cast<unsigned long>(v.decVal.Hi32),
                    static_cast<unsigned long long>(v.decVal.Lo64));
      break;
    default:
      std::snprintf(buffer, sizeof buffer, "vt %u bits 0x%llX", vt,
                    static_cast<unsigned long long>(v.ullVal));
      break;
  }
  return buffer;
}

const std::string& MemoryConnectionString() {
  static const std::string text = "Provider=SQLite;Data Source=:memory:";
  return text;
}

const std::string& SharedConnectionString() {
  static const std::string text =
      "Provider=SQLite;Data Source=file:qorvid-fuzz?mode=memory&cache=shared";
  return text;
}

const std::vector<std::string>& Vocabulary() {
  static const std::vector<std::string> words = {
      SharedConnectionString(),
      "SELECT * FROM t",
      "SELECT id, name, amount, born, obj, n, flag, data, big FROM t ORDER BY id",
      "SELECT * FROM t WHERE id = ?",
      "SELECT name, obj FROM t WHERE name = ? OR id = ?",
      "INSERT INTO t (id, name, amount, born, obj) VALUES (?, ?, ?, ?, ?)",
      "UPDATE t SET name = ?, amount = ? WHERE id = ?",
      "DELETE FROM t WHERE id = ?",
      "SELECT COUNT(*) FROM t",
      "SELECT NULL, 1, 2.5, 'x', X'00FF', 9223372036854775807",
      "SELECT CDate('2004-03-05 10:20:30')",
      "SELECT born FROM t WHERE born < ?",
      "CREATE TABLE u (a INTEGER, b TEXT)",
      "DROP TABLE t",
      "t",
      "u",
      "id",
      "name",
      "amount",
      "born",
      "obj",
      "n",
      "flag",
      "data",
      "big",
      "ID",
      MemoryConnectionString(),
      "?",
      "'",
      "''",
      "\"",
      "",
      " ",
      "10:20",
      "10:20:30.5",
      "23:59:59",
      "0",
      "1",
      "-1",
      "2147483647",
      "0x7FFFFFFF",
      "Z_____1____ZZABC",
      "{\"Z\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"      1295ABC\"}",
      std::string("Иванов"),
      std::string("Фамилия"),
      std::string("ВЫБРАТЬ"),
  };
  return words;
}

HostValueMaker::~HostValueMaker() {
  for (VARIANT& v : storage_) {
    // A reference to itself or to a neighbour holds nothing of its own.
    if (!(v.vt & VT_BYREF)) VariantClear(&v);
  }
}

VARIANT& HostValueMaker::store() {
  storage_.emplace_back();
  VariantInit(&storage_.back());
  return storage_.back();
}

WideString HostValueMaker::text() {
  static const OLECHAR kSpecial[] = {0,      '\'',   '"',    '?',    ' ',    '\r',
                                     '\n',   ';',    '{',    '}',    0xD800, 0xDC00,
                                     0x0416, 0x0451, 0xFEFF, 0xFFFF, 0x00A0, '\\'};
  const auto& words = Vocabulary();
  auto word = [&] { return qorvid::platform::WideFromUtf8(words[in_.byte() % words.size()]); };
  auto units = [&] {
    WideString s;
    for (int n = in_.byte() % 48; n > 0; --n) s += static_cast<OLECHAR>(in_.u16());
    return s;
  };
  WideString s;
  switch (in_.byte() % 8) {
    case 0:
    case 1:
    case 2:
      s = word();
      break;
    case 3:
      s = units();
      break;
    case 4:
      s = qorvid::platform::WideFromUtf8(in_.bytes(in_.byte() % 48));
      break;
    case 5:
      s = word() + units();
      break;
    case 6:
      s = units() + word();
      break;
    default:
      for (int n = in_.byte() % 16; n > 0; --n)
        s += kSpecial[in_.byte() % (sizeof kSpecial / sizeof kSpecial[0])];
      break;
  }
  if (openArgument_ && s != qorvid::platform::WideFromUtf8(MemoryConnectionString()) &&
      s != qorvid::platform::WideFromUtf8(SharedConnectionString())) {
    WideString filtered;
    for (OLECHAR c : s)
      if (c != '=') filtered += c;
    s = filtered;
  }
  return s;
}

Variant HostValueMaker::plain(uint8_t type) {
  static const double kDoubles[] = {0.0,
                                    1.5,
                                    -0.0,
                                    2.5,
                                    -1234567.875,
                                    1e300,
                                    DBL_MAX,
                                    DBL_MIN,
                                    5e-324,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    1e15,
                                    123456789012345678.0};
  static const double kDates[] = {38051.4308,   0.0,       -1.25, 2958465.999988426,
                                  -657434.0,    -693593.0, 1e10,  -0.5,
                                  36526.999999, 2.0 / 3.0, -1e-9, std::nan("")};
  VARIANT v;
  VariantInit(&v);
  auto pickDouble = [&](const double* table, size_t n) {
    uint8_t b = in_.byte();
    return b < 192 ? table[b % n] : in_.f64();
  };
  switch (type) {
    case 0:
      break;
    case 1:
      v.vt = VT_NULL;
      break;
    case 2:
      v.vt = VT_I2;
      v.iVal = static_cast<SHORT>(in_.u16());
      break;
    case 3: {
      v.vt = VT_I4;
      uint8_t b = in_.byte();
      v.lVal = b < 128 ? static_cast<LONG>(b % 6) - 1 : static_cast<LONG>(in_.u32());
      break;
    }
    case 4:
      v.vt = VT_R4;
      v.fltVal = static_cast<float>(pickDouble(kDoubles, sizeof kDoubles / sizeof(double)));
      break;
    case 5:
      v.vt = VT_R8;
      v.dblVal = pickDouble(kDoubles, sizeof kDoubles / sizeof(double));
      break;
    case 6:
      v.vt = VT_CY;
      v.cyVal.int64 = static_cast<LONGLONG>(in_.u64());
      break;
    case 7:
      v.vt = VT_DATE;
      v.date = pickDouble(kDates, sizeof kDates / sizeof(double));
      break;
    case 8:
      return Variant::fromWide(text());
    case 9: {
      return Variant::fromDispatch(HostPool::instance().pick(in_.byte()));
    }
    case 10:
      v.vt = VT_ERROR;
      v.scode = in_.byte() < 200 ? DISP_E_PARAMNOTFOUND : static_cast<SCODE>(in_.u32());
      break;
    case 11:
      v.vt = VT_BOOL;
      v.boolVal = in_.byte() & 1 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case 12: {
      IDispatch* d = HostPool::instance().pick(in_.byte());
      v.vt = VT_UNKNOWN;
      v.punkVal = d;
      if (d) d->AddRef();
      break;
    }
    case 13:
      v.decVal.scale = in_.byte() % 30;  // beyond 28 is malformed, as a host could still send
      v.decVal.sign = in_.byte() & DECIMAL_NEG;
      v.decVal.Hi32 = in_.u32();
      v.decVal.Lo64 = in_.u64();
      v.vt = VT_DECIMAL;  // after the fields: the value overlays the type code
      break;
    case 14:
      v.vt = VT_I1;
      v.cVal = static_cast<CHAR>(in_.byte());
      break;
    case 15:
      v.vt = VT_UI1;
      v.bVal = in_.byte();
      break;
    case 16:
      v.vt = VT_UI2;
      v.uiVal = in_.u16();
      break;
    case 17:
      v.vt = VT_UI4;
      v.ulVal = in_.u32();
      break;
    case 18:
      v.vt = VT_I8;
      v.llVal = static_cast<LONGLONG>(in_.u64());
      break;
    case 19:
      v.vt = VT_UI8;
      v.ullVal = in_.u64();
      break;
    case 20:
      v.vt = VT_INT;
      v.intVal = static_cast<INT>(in_.u32());
      break;
    default:
      v.vt = VT_UINT;
      v.uintVal = in_.u32();
      break;
  }
  return Variant::attach(v);
}

Variant HostValueMaker::reference(int depth) {
  VARIANT v;
  VariantInit(&v);
  switch (in_.byte() % 5) {
    case 0: {
      VARIANT& target = store();
      value(depth + 1).detachTo(&target);
      v.vt = VT_VARIANT | VT_BYREF;
      v.pvarVal = &target;
      break;
    }
    case 1: {
      VARIANT& target = store();
      plain(in_.byte() % 22).detachTo(&target);
      VARTYPE t = target.vt;
      if (t == VT_EMPTY || t == VT_NULL) {
        v.vt = VT_VARIANT | VT_BYREF;
        v.pvarVal = &target;
      } else {
        v.vt = t | VT_BYREF;
        // Every by-value member starts where the union does, DECIMAL at 0.
        v.byref = t == VT_DECIMAL ? static_cast<void*>(&target.decVal) : &target.llVal;
      }
      break;
    }
    case 2: {
      // A reference to itself: a host never means it, but can send it.
      VARIANT& self = store();
      self.vt = VT_VARIANT | VT_BYREF;
      self.pvarVal = &self;
      v.vt = VT_VARIANT | VT_BYREF;
      v.pvarVal = &self;
      break;
    }
    case 3: {
      VARIANT& target = store();
      value(depth + 1).detachTo(&target);
      VARIANT& link = store();
      link.vt = VT_VARIANT | VT_BYREF;
      link.pvarVal = &target;
      v.vt = VT_VARIANT | VT_BYREF;
      v.pvarVal = &link;
      break;
    }
    default: {
      VARIANT& target = store();
      array(depth + 1).detachTo(&target);
      if (!(target.vt & VT_ARRAY)) break;
      v.vt = target.vt | VT_BYREF;
      v.pparray = &target.parray;
      break;
    }
  }
  return Variant::attach(v);
}

Variant HostValueMaker::array(int depth) {
  const ULONG count = in_.byte() % 4;
  const uint8_t kind = in_.byte();
  const LONG lower = kind & 0x80 ? 1 : 0;
  VARIANT v;
  VariantInit(&v);
  if (kind % 4 == 3) {
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, lower, count * 3);
    if (!bytes) return Variant();
    for (LONG i = 0; i < static_cast<LONG>(count * 3); ++i) {
      LONG index = lower + i;
      BYTE b = in_.byte();
      SafeArrayPutElement(bytes, &index, &b);
    }
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = bytes;
    return Variant::attach(v);
  }
  SAFEARRAY* items = SafeArrayCreateVector(VT_VARIANT, lower, count);
  if (!items) return Variant();
  for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
    LONG index = lower + i;
    Variant element = value(depth + 1);
    SafeArrayPutElement(items, &index, element.ptr());
  }
  v.vt = VT_ARRAY | VT_VARIANT;
  v.parray = items;
  return Variant::attach(v);
}

Variant HostValueMaker::value(int depth) {
  uint8_t type = in_.byte() % 27;
  if (depth >= 3 && type >= 24) type = 0;
  if (type < 22) return plain(type);
  if (type == 22) return plain(8);  // texts and small integers are what scripts pass most
  if (type == 23) return plain(3);
  if (type == 24 || type == 25) return reference(depth);
  return array(depth);
}

}  // namespace qorvid
