// The camera family's driver: capability queries, exposure limits, temperature and
// cooler, with neutral answers a model overrides.
#pragma once
#include "transport/CVKLSdkLib.h"
#include <atomic>

// The transport is the driver's implementation, not its interface: what the layers above
// may use of it the model names itself, with its own result types.
class CVKLSdkLibQEL : protected CVKLSdkLib {
public:
    explicit CVKLSdkLibQEL(platform::IDeviceIo &io);
    ~CVKLSdkLibQEL() override = default;

    virtual bool HasPeltier() { return false; }
    virtual int GetPeltier() { return 0; }
    virtual bool SetPeltier(int) { return false; }
    virtual bool HasTemperature() { return false; }
    virtual bool GetTemperature(double *) { return false; }
    virtual int GetWindowFlagH() { return m_windowFlagH; }
    virtual int GetWindowFlagV() { return m_windowFlagV; }
    virtual int GetExposureFlag() { return m_exposureFlag; }
    virtual bool SetExposure(int) { return false; }
    virtual int GetExposure(int *out);
    virtual int GetExposureMin(int *out);
    virtual int GetExposureMax(int *out);
    virtual int GetExposureDefault(int *out);
    virtual int HasRealExposure() { return m_realExposureFlag; }
    virtual bool SetRealExposure(double) { return false; }
    virtual int GetRealExposure(double *out);
    virtual int GetRealExposureMin(double *out);
    virtual int GetRealExposureMax(double *out);
    virtual int GetRealExposureDefault(double *out);

protected:
    int m_windowFlagH = 1;
    int m_windowFlagV = 1;
    int m_exposureMin = 0;   // 100 µs units
    int m_exposureMax = 0;
    std::atomic<int> m_exposure{0};
    int m_exposureDefault = 0;
    int m_exposureFlag = 0;
    double m_realExposureMin = 0.0; // seconds
    double m_realExposureMax = 0.0;
    std::atomic<double> m_realExposure{0.0};
    double m_realExposureDefault = 0.0;
    int m_realExposureFlag = 0;
};
