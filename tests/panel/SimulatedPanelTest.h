#pragma once

// A device table filled from the device simulator across a veth pair between two private
// network namespaces. Run through scripts/netns-run.sh: the test runs in namespace A on
// NETNS_IF_A, the simulator in namespace B.
#include "PanelTestSupport.h"
#include "support/LogCapture.h"
#include "velto/SimulatorProcess.h"
#include "velto/VeltoTestSupport.h"

#include "UI/VeltoDevicesWidget.h"
#include "Velto/VeltoSDK.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

class SimulatedPanelTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("NETNS_B"))
            << "run me through scripts/netns-run.sh: the protocol sends on start";
        VeltoDevice::registerMetaTypes();
    }

    void SetUp() override
    {
        PanelTest::useLanguage("en");
        VeltoSDK::createInstance();
    }

    void TearDown() override
    {
        VeltoSDK::destroyInstance();
        sim.reset();
    }

    // Starts the simulator and the protocol, searches for searchSeconds, and puts the
    // devices, sorted by MAC, in the table.
    void simulate(const QStringList &arguments, int expected, double searchSeconds)
    {
        sim = std::make_unique<SimulatorProcess>(arguments);
        ASSERT_TRUE(sim->isReady());
        QNetworkInterface iface;
        QNetworkAddressEntry entry;
        ASSERT_TRUE(VeltoTest::chooseNamespaceInterface(iface, entry));
        const int from = log.size();
        VeltoSDK::instance()->start(iface, entry);
        ASSERT_TRUE(log.waitFor("VeltoSDK.cpp: bind socket port 5999 -> 0", 3000, from));
        QVector<VeltoDevice> found;
        VeltoSDK::instance()->searchDevices(found, searchSeconds);
        std::sort(found.begin(), found.end(), VeltoDevice::lessByMac);
        ASSERT_EQ(found.size(), expected);
        table.setDevices(found);
    }

    LogCapture log;
    std::unique_ptr<SimulatorProcess> sim;
    VeltoDevicesWidget table;
};
