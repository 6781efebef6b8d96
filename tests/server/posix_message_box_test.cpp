// The message box a failed construction shows, caught through platform/'s
// message box hook.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "server/construction_error.h"

namespace qorvid {

namespace {

struct Shown {
  int count = 0;
  std::string text;
  std::string caption;
  UINT type = 0;
};
Shown shown;

void Record(LPCSTR text, LPCSTR caption, UINT type) {
  ++shown.count;
  shown.text = text ? text : "<null>";
  shown.caption = caption ? caption : "<null>";
  shown.type = type;
}

TEST(ConstructionErrorBox, StopBoxCaptionedDaxErrorInTheForeground) {
  shown = Shown();
  PlatformSetMessageBoxHook(&Record);
  ShowConstructionError("Cannot create the object");
  PlatformSetMessageBoxHook(nullptr);

  EXPECT_EQ(shown.count, 1);
  EXPECT_EQ(shown.text, "Cannot create the object.");
  EXPECT_EQ(shown.caption, "DAX Error");
  EXPECT_EQ(shown.type, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SETFOREGROUND));
}

}  // namespace

}  // namespace qorvid
