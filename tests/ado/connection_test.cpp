// Connection, Recordset, Fields and Field through IDispatch, as the component
// drives them, on SQLite.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "ado/model/dispatch_base.h"
#include "tests/ado/late_call.h"

namespace qorvid::ado {

namespace {

const OLECHAR kMemory[] = OLESTR("Provider=SQLite;Data Source=:memory:");

const WideString kClosed = OLESTR("Operation is not allowed when the object is closed.");
const WideString kNoRecord = OLESTR(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation ")
    OLESTR("requires a current record.");
const WideString kNotFound = OLESTR(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
const WideString kInTransaction =
    OLESTR("Connection object cannot be explicitly closed while in a transaction.");

std::string Narrow(const WideString& s) {
  std::string out;
  for (OLECHAR c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

// A failure as the component sees it: the exception status with the
// description filled in.
void ExpectException(const CallResult& r, const WideString& description) {
  EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
  EXPECT_EQ(description, r.description) << Narrow(r.description);
  EXPECT_EQ(WideString(OLESTR("qorvid ADO")), r.source);
  EXPECT_TRUE(FAILED(r.scode));
}

class AdoSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
    RunSql(c, OLESTR("CREATE TABLE items (id INTEGER, name TEXT, \"Имя\" TEXT)"));
    RunSql(
        c,
        OLESTR(
            "INSERT INTO items VALUES (1, 'one', 'один'), (2, 'two', 'два'), (3, 'three', 'три')"));
  }
  Late c;
};

TEST_F(AdoSqlite, RowsAreSteppedThroughUntilEofAndMovingPastTheEndFails) {
  Late rs = RunSql(c, OLESTR("SELECT id, name FROM items ORDER BY id"));
  EXPECT_EQ(2, FieldCount(rs));
  CallResult bof = rs.get("BOF");
  ASSERT_EQ(S_OK, bof.hr);
  EXPECT_EQ(VARIANT_FALSE, bof.value.get().boolVal);
  const OLECHAR* names[] = {OLESTR("one"), OLESTR("two"), OLESTR("three")};
  for (LONG id = 1; id <= 3; ++id) {
    ASSERT_FALSE(IsEof(rs));
    EXPECT_EQ(id, FieldValue(rs, OLESTR("id")).get().lVal);
    EXPECT_EQ(WideString(names[id - 1]), FieldValue(rs, OLESTR("name")).get().bstrVal);
    ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
  }
  EXPECT_TRUE(IsEof(rs));
  ExpectException(rs.call("MoveNext"), kNoRecord);
  CallResult field = FieldByName(rs, OLESTR("id"));
  ASSERT_EQ(S_OK, field.hr);
  ExpectException(Late(field.value).get("Value"), kNoRecord);
}

TEST_F(AdoSqlite, EmptyResultIsOpenWithEofAndBofAndNoCurrentRecord) {
  Late rs = RunSql(c, OLESTR("SELECT id FROM items WHERE id > 100"));
  EXPECT_TRUE(IsEof(rs));
  EXPECT_EQ(VARIANT_TRUE, rs.get("BOF").value.get().boolVal);
  EXPECT_EQ(1, FieldCount(rs));
  EXPECT_EQ(1, rs.get("State").value.get().lVal);
  ExpectException(rs.call("MoveNext"), kNoRecord);
  ExpectException(Late(FieldByName(rs, OLESTR("id")).value).get("Value"), kNoRecord);
}

TEST_F(AdoSqlite, StatementWithoutRowsGivesAClosedRecordset) {
  const OLECHAR* statements[] = {OLESTR("INSERT INTO items VALUES (4, 'four', 'четыре')"),
                                 OLESTR("UPDATE items SET name = 'x' WHERE id = 99"),
                                 OLESTR("CREATE TABLE other (a INTEGER)"), OLESTR("  "),
                                 OLESTR("-- nothing")};
  for (const OLECHAR* sql : statements) {
    SCOPED_TRACE(Narrow(sql));
    Late rs = RunSql(c, sql);
    ASSERT_TRUE(rs);
    EXPECT_EQ(0, FieldCount(rs));
    EXPECT_EQ(0, rs.get("State").value.get().lVal);
    ExpectException(rs.get("EOF"), kClosed);
    ExpectException(rs.call("MoveNext"), kClosed);
    ExpectException(FieldByName(rs, OLESTR("id")), kClosed);
    ExpectException(rs.getWith("Fields", I4(0)), kClosed);
  }
}

TEST_F(AdoSqlite, FieldsAreFoundByNameOrPositionByValueOrByReference) {
  Late rs = RunSql(c, OLESTR("SELECT id, name, \"Имя\" FROM items WHERE id = 2"));
  Variant byName = Variant::fromWide(OLESTR("NAME"));
  Variant cyrillic = Variant::fromWide(U("иМЯ"));
  Variant position = Variant::fromInt(1);
  LONG plain = 2;
  BSTR text = SysAllocString(OLESTR("Id"));
  struct {
    const char* what;
    VARIANT selector;
    const OLECHAR* expectedName;
  } cases[] = {
      {"variant ref to name, other case", VariantRef(byName.ptr()), OLESTR("name")},
      {"variant ref to Cyrillic name, other case", VariantRef(cyrillic.ptr()), nullptr},
      {"variant ref to position", VariantRef(position.ptr()), OLESTR("name")},
      {"integer by reference", I4Ref(&plain), nullptr},
      {"integer by value", I4(0), OLESTR("id")},
      {"text by reference", BstrRef(&text), OLESTR("id")},
      {"text by value", byName.get(), OLESTR("name")},
  };
  for (auto& k : cases) {
    SCOPED_TRACE(k.what);
    CallResult field = rs.getWith("Fields", k.selector);
    ASSERT_EQ(S_OK, field.hr);
    CallResult name = Late(field.value).get("Name");
    ASSERT_EQ(S_OK, name.hr);
    ASSERT_EQ(VT_BSTR, name.value.vt());
    WideString expected = k.expectedName ? k.expectedName : U("Имя");
    EXPECT_EQ(expected, name.value.get().bstrVal);
    // The collection's Item takes the same selectors.
    CallResult fields = rs.get("Fields");
    CallResult item = Late(fields.value).getWith("Item", k.selector);
    ASSERT_EQ(S_OK, item.hr);
    EXPECT_EQ(expected, Late(item.value).get("Name").value.get().bstrVal);
  }
  SysFreeString(text);
  EXPECT_EQ(U("два"), FieldValue(rs, U("Имя")).get().bstrVal);
}

// The recordset keeps one Field per column; a Field the script holds reads
// on after the recordset is released, until the connection closes, and
// nothing is left once it goes.
TEST_F(AdoSqlite, FieldsAreKeptPerColumnAndOutliveTheirRecordset) {
  const LONG before = AdoLiveObjects();
  Late field;
  {
    Late rs = RunSql(c, OLESTR("SELECT id, name FROM items ORDER BY id"));
    CallResult a = FieldByName(rs, OLESTR("name")), b = rs.getWith("Fields", I4(1));
    ASSERT_EQ(S_OK, a.hr);
    EXPECT_EQ(a.value.get().pdispVal, b.value.get().pdispVal);
    ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
    field = Late(a.value);
  }
  EXPECT_EQ(before + 1, AdoLiveObjects());
  EXPECT_EQ(WideString(OLESTR("two")), field.get("Value").value.get().bstrVal);
  ASSERT_EQ(S_OK, c.call("Close").hr);
  ExpectException(field.get("Value"), kClosed);
  field = Late();
  EXPECT_EQ(before, AdoLiveObjects());

  ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
  field = Late(FieldByName(RunSql(c, OLESTR("SELECT 1 AS one")), OLESTR("one")).value);
  c = Late();  // the connection goes first
  ExpectException(field.get("Value"), kClosed);
}

TEST_F(AdoSqlite, SelectorsThatNameNoFieldFail) {
  Late rs = RunSql(c, OLESTR("SELECT id, name FROM items"));
  Variant missing = Variant::fromWide(OLESTR("nope"));
  Variant empty;
  Variant nullValue = Variant::null();
  Variant fraction = Variant::fromDouble(0.5);
  Variant dispatch = Variant::fromDispatch(nullptr);
  LONG past = 2, negative = -1;
  VARIANT danglingRef = VariantRef(nullptr);
  VARIANT cases[] = {
      VariantRef(missing.ptr()), I4Ref(&past),   I4Ref(&negative), VariantRef(empty.ptr()),
      nullValue.get(),           fraction.get(), dispatch.get(),   danglingRef};
  for (VARIANT& selector : cases) {
    SCOPED_TRACE(selector.vt);
    ExpectException(rs.getWith("Fields", selector), kNotFound);
  }
}

TEST_F(AdoSqlite, MemberNamesAreFoundWithoutRegardToCase) {
  for (const char* name : {"execute", "EXECUTE", "eXeCuTe"}) {
    Bstr sql(OLESTR("SELECT 1 AS one"));
    BSTR b = sql.get();
    CallResult r = c.call(name, {BstrRef(&b)});
    EXPECT_EQ(S_OK, r.hr) << name;
    Late rs(r.value);
    EXPECT_EQ(S_OK, rs.get("eof").hr);
    EXPECT_EQ(S_OK, rs.get("FIELDS").hr);
  }
  for (const char* unknown : {"Executer", "Fields", "", "Recordset"}) {
    EXPECT_EQ(DISP_E_UNKNOWNNAME, c.call(unknown).hr) << unknown;
  }
}

TEST_F(AdoSqlite, BackendMessagesBecomeTheDescription) {
  struct {
    const OLECHAR* sql;
    const OLECHAR* description;
  } cases[] = {
      {OLESTR("SELEC 1"), OLESTR("near \"SELEC\": syntax error")},
      {OLESTR("SELECT * FROM nope"), OLESTR("no such table: nope")},
      {OLESTR("INSERT INTO items (nope) VALUES (1)"),
       OLESTR("table items has no column named nope")},
  };
  for (const auto& k : cases) {
    CallResult r = Execute(c, k.sql);
    ExpectException(r, k.description);
    EXPECT_EQ(E_FAIL, r.scode);
  }
  // A failed statement leaves the connection usable.
  EXPECT_EQ(S_OK, Execute(c, OLESTR("SELECT 1")).hr);
}

TEST_F(AdoSqlite, FailureWithoutExcepinfoStillAnswersTheException) {
  WideString name = OLESTR("MoveNext");
  LPOLESTR names[] = {&name[0]};
  Late rs = RunSql(c, OLESTR("INSERT INTO items VALUES (9, 'nine', 'девять')"));
  DISPID id = 0;
  ASSERT_EQ(S_OK, rs.object()->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(DISP_E_EXCEPTION, rs.object()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                                  nullptr, nullptr));
  EXPECT_EQ(DISP_E_EXCEPTION, rs.object()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr,
                                                  nullptr, nullptr, nullptr));
}

TEST_F(AdoSqlite, CloseClosesTheRecordsetsOpenedOnTheConnection) {
  Late rs = RunSql(c, OLESTR("SELECT id FROM items"));
  CallResult field = FieldByName(rs, OLESTR("id"));
  ASSERT_EQ(S_OK, field.hr);
  ASSERT_EQ(S_OK, c.call("Close").hr);
  EXPECT_EQ(0, c.get("State").value.get().lVal);
  EXPECT_EQ(0, rs.get("State").value.get().lVal);
  ExpectException(rs.get("EOF"), kClosed);
  ExpectException(rs.call("MoveNext"), kClosed);
  ExpectException(Late(field.value).get("Value"), kClosed);
  EXPECT_EQ(0, FieldCount(rs));
}

TEST_F(AdoSqlite, ClosedConnectionRefusesStatementsAndOpenRefusesAnOpenOne) {
  ExpectException(c.call("Open", {Omitted()}),
                  OLESTR("Operation is not allowed when the object is open."));
  ASSERT_EQ(S_OK, c.call("Close").hr);
  ExpectException(Execute(c, OLESTR("SELECT 1")), kClosed);
  ExpectException(c.call("Close"), kClosed);
  ExpectException(c.call("BeginTrans"), kClosed);
  // Open again with the string kept from before.
  ASSERT_EQ(S_OK, c.call("Open", {Omitted()}).hr);
  EXPECT_EQ(S_OK, Execute(c, OLESTR("SELECT 1")).hr);

  Late fresh = NewConnection();
  ExpectException(Execute(fresh, OLESTR("SELECT 1")), kClosed);
  EXPECT_EQ(0, fresh.get("State").value.get().lVal);
}

TEST_F(AdoSqlite, ConnectionPropertiesReadBackWhatWasWritten) {
  CallResult cs = c.get("ConnectionString");
  ASSERT_EQ(S_OK, cs.hr);
  EXPECT_EQ(WideString(kMemory), cs.value.get().bstrVal);
  EXPECT_EQ(3, c.get("CursorLocation").value.get().lVal);
  EXPECT_EQ(1, c.get("State").value.get().lVal);
  // Writing the string of an open connection is refused, as ADO does.
  Variant other = Variant::fromWide(OLESTR("Provider=SQLite;Data Source=:memory:;x=1"));
  EXPECT_EQ(DISP_E_EXCEPTION, c.put("ConnectionString", other.get()).hr);
}

TEST_F(AdoSqlite, RecordsAffectedComesBackThroughItsReference) {
  LONG affected = -7;
  Bstr sql(OLESTR("UPDATE items SET name = 'z' WHERE id >= 2"));
  BSTR b = sql.get();
  ASSERT_EQ(S_OK, c.call("Execute", {BstrRef(&b), I4Ref(&affected), Omitted()}).hr);
  EXPECT_EQ(2, affected);
  // A statement that changes no rows counts none, whatever ran before it.
  Bstr ddl(OLESTR("CREATE TABLE more (a INTEGER)"));
  b = ddl.get();
  ASSERT_EQ(S_OK, c.call("Execute", {BstrRef(&b), I4Ref(&affected)}).hr);
  EXPECT_EQ(0, affected);
  // Through a variant reference too.
  Variant count;
  Bstr del(OLESTR("DELETE FROM items"));
  b = del.get();
  ASSERT_EQ(S_OK, c.call("Execute", {BstrRef(&b), VariantRef(count.ptr())}).hr);
  ASSERT_EQ(VT_I4, count.vt());
  EXPECT_EQ(3, count.get().lVal);
}

TEST_F(AdoSqlite, WrongCallsAnswerTheirStatus) {
  // Execute without its text, property writes on methods, a read of a method
  // with arguments the member does not take.
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, c.call("Execute").hr);
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, c.call("Execute", {Omitted()}).hr);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, c.put("Close", I4(1)).hr);
  Variant empty;
  EXPECT_EQ(DISP_E_EXCEPTION, c.put("CursorLocation", empty.get()).hr);
  EXPECT_EQ(DISP_E_EXCEPTION, c.put("CursorLocation", I4(7)).hr);

  IDispatch* d = c.object();
  WideString open = OLESTR("Open"), arg = OLESTR("ConnectionString");
  LPOLESTR names[] = {&open[0], &arg[0]};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, d->GetIDsOfNames(IID_NULL, names, 2, 0, ids));
  EXPECT_NE(DISPID_UNKNOWN, ids[0]);
  EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            d->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
  VARIANT value = I4(3);
  DISPID named = 5;
  DISPPARAMS withName = {&value, &named, 1, 1};
  EXPECT_EQ(DISP_E_NONAMEDARGS,
            d->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &withName, nullptr, nullptr, nullptr));
  DISPPARAMS broken = {nullptr, nullptr, 2, 0};
  EXPECT_EQ(E_INVALIDARG,
            d->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &broken, nullptr, nullptr, nullptr));
  ComPtr<IClassFactory> notThere;
  EXPECT_EQ(E_NOINTERFACE, d->QueryInterface(IID_IClassFactory, notThere.putVoid()));
}

TEST(AdoSqliteOpen, BadConnectionStringsFailWithAMessage) {
  struct {
    const OLECHAR* text;
    const OLECHAR* part;
  } cases[] = {
      {OLESTR("Provider=SQLite"), OLESTR("Data Source")},
      {OLESTR("Provider=sqlite;Data Source="), OLESTR("Data Source")},
      {OLESTR("Provider=SQLite;Data Source=/nonexistent-dir/x/y.db"), OLESTR("unable to open")},
  };
  for (const auto& k : cases) {
    Late c = NewConnection();
    CallResult r = OpenConnection(c, k.text);
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
    EXPECT_NE(WideString::npos, r.description.find(k.part)) << Narrow(r.description);
    EXPECT_EQ(0, c.get("State").value.get().lVal);
  }
}

// Transactions need a database file that a second connection can look at.
class AdoSqliteFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char path[] = "/tmp/qorvid-ado-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    file = path;
    connectionString =
        OLESTR("Provider=SQLite;Data Source=") + WideString(file.begin(), file.end());
    Late c = Connect();
    RunSql(c, OLESTR("CREATE TABLE t (v INTEGER)"));
  }
  void TearDown() override { std::remove(file.c_str()); }
  Late Connect() {
    Late c = NewConnection();
    EXPECT_EQ(S_OK, OpenConnection(c, connectionString).hr);
    return c;
  }
  LONG Rows() {
    Late other = Connect();
    Late rs = RunSql(other, OLESTR("SELECT COUNT(*) AS n FROM t"));
    return FieldValue(rs, OLESTR("n")).get().lVal;
  }
  std::string file;
  WideString connectionString;
};

TEST_F(AdoSqliteFile, CommitKeepsAndRollbackUndoes) {
  Late c = Connect();
  CallResult level = c.call("BeginTrans");
  ASSERT_EQ(S_OK, level.hr);
  ASSERT_EQ(VT_I4, level.value.vt());
  EXPECT_EQ(1, level.value.get().lVal);
  RunSql(c, OLESTR("INSERT INTO t VALUES (1)"));
  ASSERT_EQ(S_OK, c.call("RollbackTrans").hr);
  EXPECT_EQ(0, Rows());
  ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
  RunSql(c, OLESTR("INSERT INTO t VALUES (2)"));
  ASSERT_EQ(S_OK, c.call("CommitTrans").hr);
  EXPECT_EQ(1, Rows());
  EXPECT_EQ(DISP_E_EXCEPTION, c.call("CommitTrans").hr);
  EXPECT_EQ(DISP_E_EXCEPTION, c.call("RollbackTrans").hr);
}

TEST_F(AdoSqliteFile, CloseInATransactionIsRefusedAndTheConnectionStaysUsable) {
  Late c = Connect();
  ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
  RunSql(c, OLESTR("INSERT INTO t VALUES (1)"));
  Late rs = RunSql(c, OLESTR("SELECT v FROM t"));
  ExpectException(c.call("Close"), kInTransaction);
  EXPECT_EQ(1, c.get("State").value.get().lVal);
  EXPECT_FALSE(IsEof(rs));  // its recordsets stay open too
  EXPECT_EQ(S_OK, Execute(c, OLESTR("SELECT 1")).hr);
  ASSERT_EQ(S_OK, c.call("RollbackTrans").hr);
  EXPECT_EQ(S_OK, c.call("Close").hr);
  EXPECT_EQ(0, Rows());
}

TEST_F(AdoSqliteFile, ReleasingAConnectionInATransactionRollsItBack) {
  {
    Late c = Connect();
    ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
    RunSql(c, OLESTR("INSERT INTO t VALUES (1)"));
    Late rs = RunSql(c, OLESTR("SELECT v FROM t"));
    // Both go here, the recordset last.
    c = Late();
    EXPECT_EQ(0, rs.get("State").value.get().lVal);
  }
  EXPECT_EQ(0, Rows());
}

TEST_F(AdoSqliteFile, SecondBeginTransIsRefusedWhileOneIsOpen) {
  Late c = Connect();
  ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
  EXPECT_EQ(DISP_E_EXCEPTION, c.call("BeginTrans").hr);
  EXPECT_EQ(S_OK, c.call("RollbackTrans").hr);
}

}  // namespace

}  // namespace qorvid::ado
