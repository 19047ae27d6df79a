// A private interface of Kestrel9.dll's clsMapServ objects for the stand-in
// host: the hands on the server's own dialogs, control panel and search dialog,
// which live inside the library and which no member of _clsMapServ reaches. It
// is a plain vtable interface (no IDispatch, not in the type library), queried
// by its own identifier, and in-process only: text crosses as 8-bit ANSI
// zero-terminated strings valid for the call.
// Include after <objbase.h>; this header pulls in no Windows headers itself.
#pragma once

namespace k9::com {

// {4bcc41dc-4f72-4b38-86cf-7509019b3cb1}
inline constexpr GUID kIidServerAutomation = {
    0x4bcc41dc, 0x4f72, 0x4b38, {0x86, 0xcf, 0x75, 0x09, 0x01, 0x9b, 0x3c, 0xb1}};
// {7a807aba-5376-4620-840b-5ca8bb4a7477}
inline constexpr GUID kIidServerMessageSink = {
    0x7a807aba, 0x5376, 0x4620, {0x84, 0x0b, 0x5c, 0xa8, 0xbb, 0x4a, 0x74, 0x77}};
// {756bb027-1568-464f-b4de-931aa8600d45}
inline constexpr GUID kIidServerHelpSink = {
    0x756bb027, 0x1568, 0x464f, {0xb4, 0xde, 0x93, 0x1a, 0xa8, 0x60, 0x0d, 0x45}};

// The host's receiver of the message boxes the server shows (each answered OK).
// The server keeps a reference until another sink is set or the library's
// dialogs are replaced.
struct IServerMessageSink : public IUnknown {
  virtual void STDMETHODCALLTYPE Message(const char* caption, const char* text) = 0;
};

// The host's receiver of the help pages the server opens where no help viewer
// runs: the help file, the context number (0 for the contents) and the page HTML
// Help would show ("" for none). Held as the message sink is.
struct IServerHelpSink : public IUnknown {
  virtual void STDMETHODCALLTYPE Help(const char* file, unsigned long context,
                                      const char* page) = 0;
};

// What one call hands back: list items in order, or the failure of the call.
// Not reference counted: it lives for the call only.
class AutomationReceiver {
 public:
  virtual void STDMETHODCALLTYPE Item(const char* text) = 0;
  virtual void STDMETHODCALLTYPE Failure(long number, const char* source,
                                         const char* description) = 0;

 protected:
  ~AutomationReceiver() = default;
};

// The kinds of dialog answers, for QueueAnswer.
enum AnswerKind : long { kAnswerFolder = 0, kAnswerFile = 1, kAnswerChooser = 2 };

// Every method returns S_OK, E_FAIL after reporting a failure to the receiver,
// or E_POINTER / E_INVALIDARG for a missing argument.
struct IServerAutomation : public IUnknown {
  // Null restores the library's own printing of messages.
  virtual HRESULT STDMETHODCALLTYPE SetMessageSink(IServerMessageSink* sink) = 0;
  // `answer` null answers Cancel.
  virtual HRESULT STDMETHODCALLTYPE QueueAnswer(long kind, const char* answer) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueueControlPanelItems(long count, const char* const* items,
                                                           AutomationReceiver* receiver) = 0;
  // One item per step that could not be played, oldest first.
  virtual HRESULT STDMETHODCALLTYPE TakeControlPanelReports(AutomationReceiver* receiver) = 0;
  virtual HRESULT STDMETHODCALLTYPE SearchDialogOpen(long* open) = 0;
  virtual HRESULT STDMETHODCALLTYPE SearchFind(short type, const char* query,
                                               AutomationReceiver* receiver) = 0;
  // One item per match.
  virtual HRESULT STDMETHODCALLTYPE SearchMatches(AutomationReceiver* receiver) = 0;
  // One item: the status label.
  virtual HRESULT STDMETHODCALLTYPE SearchResultLabel(AutomationReceiver* receiver) = 0;
  virtual HRESULT STDMETHODCALLTYPE SearchGoTo(long index, AutomationReceiver* receiver) = 0;
  // Null leaves help requests unanswered.
  virtual HRESULT STDMETHODCALLTYPE SetHelpSink(IServerHelpSink* sink) = 0;
};

}  // namespace k9::com
