// CBaseObject: the root of every object the module creates (filters, pins,
// enumerators, class factories, property pages). Its constructor and
// destructor keep a module-wide count of live objects, which decides whether
// the module may be unloaded.
#pragma once

#include <windows.h>

class CBaseObject {
 public:
  // The name is for debugging only and is not kept.
  explicit CBaseObject(LPCTSTR pName);
  virtual ~CBaseObject();
  CBaseObject(const CBaseObject&) = delete;
  CBaseObject& operator=(const CBaseObject&) = delete;

  // Number of objects constructed and not yet destroyed, in this module.
  static LONG ObjectsActive();

 private:
  static volatile LONG m_cObjects;
};
