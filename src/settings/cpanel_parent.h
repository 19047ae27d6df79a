// CpanelParent lists exactly the members of the server object that the control
// panel reads and changes. The panel changes the server only through these, the
// same property puts the host can call, so whatever the panel does the host could
// have done too. The server object implements this interface (or an adapter over
// it does) and hands itself to clsCpanel as its Parent.
//
// Getters are not const: most of them read the map engine.
#pragma once

#include <string>

namespace k9 {

class CpanelParent {
 public:
  virtual ~CpanelParent() = default;

  // True once the map engine control is working; the Options menu depends on it.
  virtual bool blnControlOk() = 0;

  virtual bool blnMono() = 0;
  virtual void blnMono(bool value) = 0;
  virtual bool blnShadeMcd() = 0;
  virtual void blnShadeMcd(bool value) = 0;
  virtual bool blnShadeCounties() = 0;
  virtual void blnShadeCounties(bool value) = 0;
  virtual bool blnShadePlaces() = 0;
  virtual void blnShadePlaces(bool value) = 0;
  virtual bool blnShadeStates() = 0;
  virtual void blnShadeStates(bool value) = 0;
  virtual bool blnWhiteBackground() = 0;
  virtual void blnWhiteBackground(bool value) = 0;
  virtual bool blnOnewayShow() = 0;
  virtual void blnOnewayShow(bool value) = 0;
  virtual bool blnHighContrastRds() = 0;
  virtual void blnHighContrastRds(bool value) = 0;
  virtual bool blnZipCodes() = 0;
  virtual void blnZipCodes(bool value) = 0;

  virtual std::string strOvlFile() = 0;
  virtual void strOvlFile(const std::string& value) = 0;
  virtual std::string strUnderFile() = 0;
  virtual void strUnderFile(const std::string& value) = 0;

  virtual std::string strData1() = 0;
  virtual void strData1(const std::string& value) = 0;
  virtual std::string strData2() = 0;
  virtual void strData2(const std::string& value) = 0;
  virtual std::string strData3() = 0;
  virtual void strData3(const std::string& value) = 0;
  virtual std::string strData4() = 0;
  virtual void strData4(const std::string& value) = 0;
  virtual std::string strStates0() = 0;
  virtual void strStates0(const std::string& value) = 0;
  // The supplementary states folder; Easy Setup leaves it as it is.
  virtual void strStates1(const std::string& value) = 0;
};

}  // namespace k9
