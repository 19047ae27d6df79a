// The host's late-bound objects as the server's host ports: adapters that call
// the host's callback object, main form and picture box by member name.
// No <windows.h> here.
#pragma once

#include <map>
#include <memory>

#include "server/host_port.h"

struct IDispatch;
struct IUnknown;

namespace k9::com {

// Owns the adapters of one server object. The server keeps the host's objects
// from the call that hands them over until its release, so each adapter (and its
// reference on the host's object) lives as long as this collection; the same
// host object always gets the same adapter.
class HostObjects {
 public:
  HostObjects();
  ~HostObjects();
  HostObjects(const HostObjects&) = delete;
  HostObjects& operator=(const HostObjects&) = delete;

  // nullptr for a null object; the adapter otherwise.
  HostEvents* Events(IDispatch* object);
  HostForm* Form(IDispatch* object);
  PictureBox* Picture(IDispatch* object);

 private:
  struct Entry;
  Entry& EntryFor(IDispatch* object);

  std::map<IUnknown*, std::unique_ptr<Entry>> entries_;
};

}  // namespace k9::com
