#include "records/choices.h"

#include "base/textfields.h"

namespace karnea {

FitMethod FitMethodOf(const HeaderTexts& header) {
    return TextToInt(header[header::fitMethod]) == 0 ? FitMethod::linear : FitMethod::regression;
}

MeasuringTime MeasuringTimeOf(const HeaderTexts& header) {
    return TextToInt(header[header::measurementTime]) > 0 ? MeasuringTime::seconds120
                                                          : MeasuringTime::seconds60;
}

int StepVolumeField(const HeaderTexts& testHeader) {
    return MeasuringTimeOf(testHeader) == MeasuringTime::seconds120 ? testField::vol120
                                                                    : testField::vol60;
}

bool Shows120Column(const HeaderTexts& testHeader) {
    return TextToInt(testHeader[header::show120InTable]) > 0;
}

bool PlShown(const HeaderTexts& testHeader) {
    return TextToInt(testHeader[header::hidePl]) == 0;
}

std::optional<double> StoredModulus(const HeaderTexts& testHeader) {
    const std::string& value = testHeader[header::modulusValue];
    if (!IsNumber(value)) {
        return std::nullopt;
    }
    const double em = TextToDouble(value);
    const std::string& line = testHeader[header::extraLine];
    if (em == 0 && line.find_first_not_of(' ') == std::string::npos) {
        return std::nullopt;
    }
    return em;
}

bool VolumeLossCorrected(const HeaderTexts& testHeader) {
    return TextToInt(testHeader[header::volumeLossFlag]) != 0;
}

bool PageNumberBelowName(const HeaderTexts& header) {
    return TextToInt(header[header::topMarginMode]) != 0;
}

bool PageNumberCentred(const HeaderTexts& header) {
    return TextToInt(header[header::leftMarginMode]) != 0;
}

}  // namespace karnea
