#include "framework/win/baseclasses/base_object.h"

volatile LONG CBaseObject::m_cObjects = 0;

CBaseObject::CBaseObject(LPCTSTR /*pName*/) { InterlockedIncrement(&m_cObjects); }

CBaseObject::~CBaseObject() { InterlockedDecrement(&m_cObjects); }

LONG CBaseObject::ObjectsActive() {
  // An interlocked read: the counter changes on any thread.
  return InterlockedCompareExchange(&m_cObjects, 0, 0);
}
