// Prints "NPANXX<TAB>description" for every North American area code and exchange
// that libphonenumber's offline geocoder can name. Used by build.js at data-build time
// only; the engine never links libphonenumber.
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumber.pb.h>
#include <unicode/locid.h>

#include <cstdio>
#include <string>

int main() {
  i18n::phonenumbers::PhoneNumberOfflineGeocoder geocoder;
  const icu::Locale locale("en", "US");
  for (int npa = 200; npa < 1000; ++npa) {
    for (int nxx = 200; nxx < 1000; ++nxx) {
      i18n::phonenumbers::PhoneNumber number;
      number.set_country_code(1);
      number.set_national_number(static_cast<unsigned long long>(npa) * 10000000ULL +
                                 static_cast<unsigned long long>(nxx) * 10000ULL + 1234ULL);
      const std::string text = geocoder.GetDescriptionForValidNumber(number, locale);
      if (!text.empty()) std::printf("%03d%03d\t%s\n", npa, nxx, text.c_str());
    }
  }
  return 0;
}
