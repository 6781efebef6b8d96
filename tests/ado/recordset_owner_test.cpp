#include "ado/model/recordset_owner.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "ado/model/recordset.h"

namespace qorvid::ado {

namespace {

// The rows own their engine's cursor; a copy would read it twice.
static_assert(!std::is_copy_constructible<ResultSet>::value, "rows are not copied");

class CountingOwner : public RecordsetOwner {
 public:
  void forget(RecordsetRows* rows) override { forgotten.push_back(rows); }
  std::vector<RecordsetRows*> forgotten;
};

std::unique_ptr<ResultSet> OneColumn() {
  std::unique_ptr<ResultSet> rows(new ResultSet);
  rows->columns.push_back({OLESTR("n"), VT_I4});
  return rows;
}

// Rows that go before their owner tell it once, however they go; rows the
// owner closed itself, or a recordset opened closed, tell it nothing.
TEST(RecordsetOwnerTest, RowsTellTheirOwnerOnceWhenTheyGoFirst) {
  enum class End { Close, Release, CloseByOwner, CloseTwice };
  const struct {
    const char* name;
    End end;
    size_t told;
  } cases[] = {
      {"closed by the script", End::Close, 1},
      {"released", End::Release, 1},
      {"closed by the owner", End::CloseByOwner, 0},
      {"closed twice", End::CloseTwice, 1},
  };
  for (const auto& c : cases) {
    CountingOwner owner;
    RecordsetRows* seen;
    {
      RecordsetRows rows(&owner, OneColumn());
      seen = &rows;
      if (c.end == End::Close || c.end == End::CloseTwice) rows.close();
      if (c.end == End::CloseTwice) rows.close();
      if (c.end == End::CloseByOwner) rows.closeByConnection();
      EXPECT_EQ(c.end == End::Release, rows.isOpen()) << c.name;
    }
    ASSERT_EQ(c.told, owner.forgotten.size()) << c.name;
    if (c.told) {
      EXPECT_EQ(seen, owner.forgotten[0]) << c.name;
    }
  }

  CountingOwner owner;
  ComPtr<Recordset>::attach(new Recordset(&owner, nullptr));
  EXPECT_TRUE(owner.forgotten.empty());
}

}  // namespace

}  // namespace qorvid::ado
