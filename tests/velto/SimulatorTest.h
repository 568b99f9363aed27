#pragma once

// The protocol against the device simulator across a veth pair between two private network
// namespaces. Run through scripts/netns-run.sh: the test runs in namespace A on NETNS_IF_A,
// velto-sim in namespace B on NETNS_IF_B.
#include "velto/SimulatorProcess.h"
#include "velto/VeltoTestSupport.h"

#include "support/LogCapture.h"

#include "Velto/VeltoSDK.h"

#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <gtest/gtest.h>

#include <memory>

class SimulatorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("NETNS_B"))
            << "run me through scripts/netns-run.sh: the protocol sends on start";
        VeltoDevice::registerMetaTypes();
    }

    // SetUpTestSuite, with this end of the veth pair given a fixed MAC, so that the srcid
    // the protocol sends is known.
    static void setUpSuiteWithMac(const char *mac)
    {
        ASSERT_NO_FATAL_FAILURE(SetUpTestSuite());
        ASSERT_EQ(VeltoTest::ip({"link", "set", "dev", VeltoTest::namespaceInterface(), "address",
                                 QString::fromLatin1(mac)}),
                  0);
    }

    void SetUp() override
    {
        VeltoSDK::createInstance();
        sdk = VeltoSDK::instance();
        ASSERT_TRUE(VeltoTest::chooseNamespaceInterface(iface, entry));
    }

    void TearDown() override
    {
        VeltoSDK::destroyInstance();
        sim.reset();
    }

    // Starts velto-sim with arguments in place of the one before: one simulator at a time
    // owns the request port.
    void simulate(const QStringList &arguments)
    {
        sim.reset();
        sim = std::make_unique<SimulatorProcess>(arguments);
        ASSERT_TRUE(sim->isReady()) << "velto-sim did not report itself ready";
    }

    // Starts the protocol on the namespace's interface; returns once it listens for replies.
    void startProtocol()
    {
        const int from = log.size();
        sdk->start(iface, entry);
        ASSERT_TRUE(log.waitFor("VeltoSDK.cpp: bind socket port 5999 -> 0", 3000, from))
            << "the receive socket did not open";
    }

    LogCapture log;
    VeltoSDK *sdk = nullptr;
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    std::unique_ptr<SimulatorProcess> sim;
};
