#pragma once

// A device table filled from the device simulator in the peer network namespace.
#include "PanelTestSupport.h"
#include "velto/SimulatorTest.h"

#include "UI/VeltoDevicesWidget.h"

#include <QStringList>

#include <algorithm>

class SimulatedPanelTest : public SimulatorTest
{
protected:
    void SetUp() override
    {
        PanelTest::useLanguage("en");
        SimulatorTest::SetUp();
    }

    // Starts the simulator and the protocol, searches for searchSeconds, and puts the
    // devices, sorted by MAC, in the table.
    void simulate(const QStringList &arguments, int expected, double searchSeconds)
    {
        ASSERT_NO_FATAL_FAILURE(SimulatorTest::simulate(arguments));
        ASSERT_NO_FATAL_FAILURE(startProtocol());
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, searchSeconds);
        std::sort(found.begin(), found.end(), VeltoDevice::lessByMac);
        ASSERT_EQ(found.size(), expected);
        table.setDevices(found);
    }

    VeltoDevicesWidget table;
};
