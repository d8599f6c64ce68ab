// The model driver on simulated cameras, with its register traffic at hand.
#pragma once
#include "model/CVonkel430NVTXQELSdk.h"
#include "sim/CSimulatedCameras.h"
#include "sim/Scene.h"
#include "transport/ResultCodes.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class ModelTest : public ::testing::Test {
protected:
    explicit ModelTest(std::vector<int> devices = {0}) {
        sim::CSimConfig config;
        config.devices = std::move(devices);
        config.pacing = sim::Pacing::AsFastAsPossible;
        config.still = true;
        cams = std::make_unique<sim::CSimulatedCameras>(config);
        driver = std::make_unique<CVonkel430NVTXQELSdk>(*cams);
        cams->Log().Clear();
    }
    // What the cameras received since the last call, as "SR 800 = 0" lines (the device
    // prefix dropped), pauses as "pause N".
    std::vector<std::string> Traffic() {
        std::vector<std::string> lines;
        for (const std::string &line : sim::Describe(cams->Log().Take())) {
            size_t colon = line.find(": ");
            lines.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
        }
        return lines;
    }
    sim::CSimCamera *Camera(int device = 0) { return cams->Camera(device); }

    std::unique_ptr<sim::CSimulatedCameras> cams;
    std::unique_ptr<CVonkel430NVTXQELSdk> driver;
};
