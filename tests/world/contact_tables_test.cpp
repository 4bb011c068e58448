// The contact tables' container and their rebuild after each sub-step,
// checked against a plain std::map built straight from the dispatcher.
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "world/body_table.h"
#include "world/platforms.h"
#include "world_fixture.h"

namespace {

using ManifoldMap = std::map<const btCollisionObject*, std::vector<btPersistentManifold*>>;
using PointMap = std::map<const btCollisionObject*, std::vector<btManifoldPoint*>>;

template <typename T>
std::map<const btCollisionObject*, std::vector<T*>> AsMap(const BodyTable<T>& table)
{
    std::map<const btCollisionObject*, std::vector<T*>> out;
    for (const auto& entry : table) {
        EXPECT_EQ(0u, out.count(entry.first)) << "a body listed twice";
        out[entry.first] = entry.second;
    }
    return out;
}

// What the tables must hold for the dispatcher's current manifolds.
void ExpectTablesMatchDispatcher(World& world)
{
    ManifoldMap manifolds;
    PointMap points;
    btDispatcher* dispatcher = world.physicsWorld->getDispatcher();
    for (int i = 0; i < dispatcher->getNumManifolds(); ++i) {
        btPersistentManifold* m = dispatcher->getManifoldByIndexInternal(i);
        manifolds[m->getBody0()].push_back(m);
        for (int j = 0; j < m->getNumContacts(); ++j) {
            points[m->getBody0()].push_back(&m->getContactPoint(j));
            points[m->getBody1()].push_back(&m->getContactPoint(j));
        }
    }
    EXPECT_EQ(manifolds, AsMap(world.contacts.manifoldsByBody));
    EXPECT_EQ(points, AsMap(world.contacts.contactPointsByBody));
}

TEST(ContactTables, MatchTheDispatcherThroughoutARun)
{
    TestWorld test(true);
    for (int i = 0; i < 40; ++i) {
        test.Cube(-2.0f + 0.7f * static_cast<float>(i % 7), 1.0f + static_cast<float>(i / 7), 3.0f);
    }
    // Falling, landing, riding the platforms and falling asleep.
    for (int frame = 0; frame < 480; ++frame) {
        AnimatePlatforms(test.world, 1.0 / 60.0);
        StepPhysics(test.world, 1.0f / 60.0f);
        if (frame % 8 == 0) {
            SCOPED_TRACE(frame);
            ExpectTablesMatchDispatcher(test.world);
        }
    }
    ExpectTablesMatchDispatcher(test.world);
}

TEST(ContactTables, RebuiltAfterBeingChangedFromOutside)
{
    TestWorld test;
    Entity* cube = test.Cube(0.0f, 0.3f, 3.0f);
    test.Run(4.0f);  // asleep: sub-steps now find the manifolds unchanged
    ASSERT_EQ(ISLAND_SLEEPING, cube->body->getActivationState());
    ExpectTablesMatchDispatcher(test.world);
    const ContactTables built = test.world.contacts;

    btPersistentManifold fake(cube->body, test.world.entities[0]->body, 0, 0.02f, 0.02f);
    struct Change {
        const char* name;
        void (*apply)(ContactTables&, btPersistentManifold*, const ContactTables&);
    };
    const Change changes[] = {
        {"cleared",
         [](ContactTables& t, btPersistentManifold*, const ContactTables&) { t.manifoldsByBody.clear(); }},
        {"a list replaced", [](ContactTables& t, btPersistentManifold* m,
                               const ContactTables&) { t.manifoldsByBody[m->getBody0()] = {m}; }},
        {"a list grown through find",
         [](ContactTables& t, btPersistentManifold* m, const ContactTables&) {
             t.manifoldsByBody.find(m->getBody0())->second.push_back(m);
         }},
        {"points emptied",
         [](ContactTables& t, btPersistentManifold*, const ContactTables&) {
             t.contactPointsByBody = BodyTable<btManifoldPoint>();
         }},
        {"an old copy put back",
         [](ContactTables& t, btPersistentManifold* m, const ContactTables& old) {
             BodyTable<btPersistentManifold> stale = old.manifoldsByBody;
             stale[m->getBody1()].push_back(m);
             t.manifoldsByBody = stale;
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        change.apply(test.world.contacts, &fake, built);
        StepPhysics(test.world, 1.0f / 60.0f);
        ExpectTablesMatchDispatcher(test.world);
    }
}

TEST(BodyTable, BehavesLikeAMapKeyedByBody)
{
    std::vector<btCollisionObject> bodies(300);
    std::vector<int> items(4);
    BodyTable<int> table;
    std::map<const btCollisionObject*, std::vector<int*>> truth;
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        // Alternate sparse and dense rounds so the hash grows and is reused.
        const int inserts = round % 2 ? 2000 : 50;
        for (int n = 0; n < inserts; ++n) {
            const btCollisionObject* body = &bodies[random() % bodies.size()];
            int* item = &items[random() % items.size()];
            table[body].push_back(item);
            truth[body].push_back(item);
        }
        const BodyTable<int>& view = table;
        for (const btCollisionObject& body : bodies) {
            const auto expected = truth.find(&body);
            const auto found = view.find(&body);
            ASSERT_EQ(expected == truth.end(), found == view.end());
            ASSERT_EQ(truth.count(&body), view.count(&body));
            if (found != view.end()) {
                ASSERT_EQ(&body, found->first);
                ASSERT_EQ(expected->second, found->second);
                ASSERT_EQ(expected->second, view.at(&body));
            }
        }
        ASSERT_EQ(truth.size(), view.size());
        table.clear();
        truth.clear();
        ASSERT_TRUE(table.empty());
        ASSERT_EQ(view.end(), view.find(&bodies[0]));
    }
    EXPECT_THROW(table.at(&bodies[0]), std::out_of_range);
    EXPECT_TRUE(table[nullptr].empty());
    EXPECT_EQ(1u, table.count(nullptr));
}

TEST(BodyTable, CopiesEqualityAndTheModifiedMark)
{
    btCollisionObject a, b;
    int x = 0, y = 0;
    BodyTable<int> first;
    first[&a] = {&x, &y};
    first[&b] = {&y};
    first.MarkUnmodified();

    const BodyTable<int>& view = first;
    view.find(&a);
    view.at(&b);
    for (const auto& entry : view) {
        EXPECT_FALSE(entry.second.empty());
    }
    EXPECT_FALSE(first.Modified()) << "const reads leave the mark alone";

    BodyTable<int> second = first;
    EXPECT_TRUE(second.Modified());
    EXPECT_TRUE(first == second);
    BodyTable<int> reordered;
    reordered[&b] = {&y};
    reordered[&a] = {&x, &y};
    EXPECT_TRUE(first == reordered);
    reordered[&a].pop_back();
    EXPECT_TRUE(first != reordered);

    first.find(&a);
    EXPECT_TRUE(first.Modified());
    first.MarkUnmodified();
    first = BodyTable<int>();
    EXPECT_TRUE(first.Modified());
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(2u, second.size());
}

}  // namespace
