#include "ui/signal.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace lw;

TEST(Signal, SlotsRunInOrderWhileTheirHandlesLive) {
    Signal<int> signal;
    std::vector<std::string> calls;
    Connection first =
        signal.connect([&](int v) { calls.push_back("first " + std::to_string(v)); });
    {
        Connection second =
            signal.connect([&](int v) { calls.push_back("second " + std::to_string(v)); });
        EXPECT_TRUE(second.connected());
        signal.emit(1);
    }
    signal.emit(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 1", "second 1", "first 2"}));
}

TEST(Signal, DisconnectMoveAndRelease) {
    Signal<> signal;
    int calls = 0;
    Connection c = signal.connect([&] { ++calls; });
    c.disconnect();
    EXPECT_FALSE(c.connected());
    c.disconnect(); // twice is harmless
    signal.emit();
    EXPECT_EQ(calls, 0);

    // Moved: the new handle owns the slot, the old one owns nothing.
    Connection moved = signal.connect([&] { ++calls; });
    Connection target = std::move(moved);
    EXPECT_FALSE(moved.connected());
    EXPECT_TRUE(target.connected());
    signal.emit();
    EXPECT_EQ(calls, 1);
    // Assigning over a handle removes its old slot.
    target = signal.connect([&] { calls += 10; });
    signal.emit();
    EXPECT_EQ(calls, 11);

    // Released: the slot stays for the signal's life.
    {
        Connection kept = signal.connect([&] { calls += 100; });
        kept.release();
        EXPECT_FALSE(kept.connected());
    }
    signal.emit();
    EXPECT_EQ(calls, 121);
}

TEST(Signal, HandlesMayOutliveTheSignal) {
    Connection c;
    {
        Signal<> signal;
        c = signal.connect([] {});
        EXPECT_TRUE(c.connected());
    }
    EXPECT_FALSE(c.connected());
    c.disconnect();
}

TEST(Signal, ChangesDuringAnEmission) {
    struct Case {
        std::string name;
        // What the first slot does to the second or to itself while the signal emits.
        enum Action { RemoveLater, RemoveItself, ConnectAnother } action;
        std::vector<std::string> firstEmission;
        std::vector<std::string> secondEmission;
    };
    const Case cases[] = {
        {"a slot removed before its turn is not called", Case::RemoveLater, {"a"}, {"a"}},
        {"a slot removing itself runs to its end", Case::RemoveItself, {"a", "a done", "b"}, {"b"}},
        {"a slot connected waits for the next emission",
         Case::ConnectAnother,
         {"a", "b"},
         {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Signal<> signal;
        std::vector<std::string> calls;
        Connection a, b, added;
        bool acted = false;
        a = signal.connect([&] {
            calls.push_back("a");
            if (acted)
                return;
            acted = true;
            if (c.action == Case::RemoveLater) {
                b.disconnect();
            } else if (c.action == Case::RemoveItself) {
                a.disconnect();
                calls.push_back("a done");
            } else {
                added = signal.connect([&] { calls.push_back("c"); });
            }
        });
        b = signal.connect([&] { calls.push_back("b"); });
        signal.emit();
        EXPECT_EQ(calls, c.firstEmission);
        calls.clear();
        signal.emit();
        EXPECT_EQ(calls, c.secondEmission);
    }
}

TEST(Signal, AnOwnerDestroyedByItsSignalsSlotEndsTheEmission) {
    struct Owner {
        Signal<> closed;
    };
    auto owner = std::make_unique<Owner>();
    int after = 0;
    Connection destroy = owner->closed.connect([&] { owner.reset(); });
    Connection next = owner->closed.connect([&] { ++after; });
    owner->closed.emit();
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(after, 0);
    EXPECT_FALSE(next.connected());
}
