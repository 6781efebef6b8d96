#include "ado/model/properties.h"

#include "ado/model/dispatch_base.h"
#include "platform/com_ptr.h"
#include "platform/text_case.h"

namespace qorvid::ado {

namespace {

const OLECHAR kDbmsName[] = OLESTR("DBMS Name");

enum : DISPID { kValue = DISPID_VALUE, kName = 1 };
const MemberName kPropertyMembers[] = {{OLESTR("Value"), kValue}, {OLESTR("Name"), kName}};

class Property : public DispatchBase {
 public:
  explicit Property(const WideString& value) : DispatchBase(kPropertyMembers), value_(value) {}

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs&) override {
    RequireGet(flags);
    if (IsPut(flags)) throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
    return Variant::fromWide(id == kName ? WideString(kDbmsName) : value_);
  }

 private:
  WideString value_;
};

enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };
const MemberName kCollectionMembers[] = {{OLESTR("Item"), kItem}, {OLESTR("Count"), kCount}};

class Properties : public DispatchBase {
 public:
  explicit Properties(const WideString& dbmsName)
      : DispatchBase(kCollectionMembers), dbmsName_(dbmsName) {}

 protected:
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override {
    RequireGet(flags);
    if (IsPut(flags)) throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
    const LONG count = dbmsName_.empty() ? 0 : 1;
    if (id == kCount) return Variant::fromInt(count);
    if (args.count() == 0) throw DispatchFailure(DISP_E_BADPARAMCOUNT);
    const Variant selector = args.value(0);
    const bool found =
        count > 0 &&
        (selector.vt() == VT_BSTR ? platform::EqualsIgnoringCase(ArgText(selector), kDbmsName)
                                  : selector.vt() != VT_BOOL && ArgInteger(selector) == 0);
    if (!found) throw AdoError(ado_text::kItemNotFound);
    ComPtr<Property> property = ComPtr<Property>::attach(new Property(dbmsName_));
    return Variant::fromDispatch(property.get());
  }

 private:
  WideString dbmsName_;
};

}  // namespace

Variant PropertiesCollection(const WideString& dbmsName) {
  ComPtr<Properties> properties = ComPtr<Properties>::attach(new Properties(dbmsName));
  return Variant::fromDispatch(properties.get());
}

}  // namespace qorvid::ado
