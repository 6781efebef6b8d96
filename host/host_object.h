// A host object: the kind of object value a script hands to the component
// (a catalogue item, a document). It carries the four parts its internal
// string form is made of and shows them late-bound as "TypeId",
// "FirstNumber", "ObjectNumber" and "Suffix".
#pragma once

#include <string>

#include "host/host_dispatch.h"
#include "platform/com_ptr.h"

namespace qorvid::host {

// Recognises host objects among dispatch values: QueryInterface with it
// answers the HostObject itself.
extern const IID IID_QorvidHostObject;

class HostObject : public HostDispatch {
 public:
  // typeId is one character for real objects; suffix three.
  static ComPtr<HostObject> create(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                                   const std::string& suffix);
  // The object a dispatch value stands for, or null when it is no host object.
  static HostObject* from(IUnknown* object);

  const std::string& typeId() const { return typeId_; }
  LONG firstNumber() const { return firstNumber_; }
  LONG objectNumber() const { return objectNumber_; }
  const std::string& suffix() const { return suffix_; }

  // The internal string form that ValueToStringInternal answers: the short
  // form unless told otherwise.
  std::string internalForm() const;
  void answerLongForm();
  // Answers exactly this text (malformed forms, for failure tests).
  void answerText(const std::string& text);
  // Gives the object a default value (DISPID_VALUE), as many host objects
  // have: converting it to a number or text then asks the host.
  void answerDefaultValue(LONG value);

 protected:
  HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* exception) override;
  void* extraInterface(REFIID iid) override;

 private:
  HostObject(const std::string& typeId, LONG firstNumber, LONG objectNumber,
             const std::string& suffix);

  enum Form { Short, Long, Text };
  std::string typeId_;
  LONG firstNumber_;
  LONG objectNumber_;
  std::string suffix_;
  Form form_ = Short;
  std::string text_;
  LONG default_ = 0;
};

// The host's internal string forms of an object.
// {"T","0","0","FFFFFFFFFF","0","0","OOOOOOOOOOSSS"}
std::string ShortInternalForm(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                              const std::string& suffix);
// {"T","0","0","0","0","0","FFFFFFFFFFOOOOOOOOOOSSS"}
std::string LongInternalForm(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                             const std::string& suffix);
// Reads either form back into a new host object; null when text is neither.
ComPtr<HostObject> ParseInternalForm(const std::string& text);

}  // namespace qorvid::host
