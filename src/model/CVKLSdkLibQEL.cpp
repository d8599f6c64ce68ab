#include "model/CVKLSdkLibQEL.h"

CVKLSdkLibQEL::CVKLSdkLibQEL(platform::IDeviceIo &io) : CVKLSdkLib(io) {}

int CVKLSdkLibQEL::GetExposure(int *out) {
    if (out)
        *out = m_exposure.load();
    return m_exposureFlag;
}
int CVKLSdkLibQEL::GetExposureMin(int *out) {
    if (out)
        *out = m_exposureMin;
    return m_exposureFlag;
}
int CVKLSdkLibQEL::GetExposureMax(int *out) {
    if (out)
        *out = m_exposureMax;
    return m_exposureFlag;
}
int CVKLSdkLibQEL::GetExposureDefault(int *out) {
    if (out)
        *out = m_exposureDefault;
    return m_exposureFlag;
}
int CVKLSdkLibQEL::GetRealExposure(double *out) {
    if (out)
        *out = m_realExposure.load();
    return m_realExposureFlag;
}
int CVKLSdkLibQEL::GetRealExposureMin(double *out) {
    if (out)
        *out = m_realExposureMin;
    return m_realExposureFlag;
}
int CVKLSdkLibQEL::GetRealExposureMax(double *out) {
    if (out)
        *out = m_realExposureMax;
    return m_realExposureFlag;
}
int CVKLSdkLibQEL::GetRealExposureDefault(double *out) {
    if (out)
        *out = m_realExposureDefault;
    return m_realExposureFlag;
}
