#pragma once
// A broadphase that finds no pairs: a world on it simulates its bodies and
// joints without any collision between bodies, at a cost in proportion to
// the bodies, however many of them share one place (every other broadphase
// still compares every pair of overlapping boxes on each step).
#include <memory>
#include <vector>

#include <btBulletCollisionCommon.h>

namespace brivonel::physics {

class NullBroadphase final : public btBroadphaseInterface {
 public:
  btBroadphaseProxy* createProxy(const btVector3& aabbMin, const btVector3& aabbMax, int shapeType,
                                 void* userPtr, int group, int mask, btDispatcher*) override;
  void destroyProxy(btBroadphaseProxy* proxy, btDispatcher*) override;
  void setAabb(btBroadphaseProxy* proxy, const btVector3& aabbMin, const btVector3& aabbMax,
               btDispatcher*) override;
  void getAabb(btBroadphaseProxy* proxy, btVector3& aabbMin, btVector3& aabbMax) const override;
  void rayTest(const btVector3&, const btVector3&, btBroadphaseRayCallback&, const btVector3&,
               const btVector3&) override {}
  void aabbTest(const btVector3&, const btVector3&, btBroadphaseAabbCallback&) override {}
  void calculateOverlappingPairs(btDispatcher*) override {}
  btOverlappingPairCache* getOverlappingPairCache() override { return &pairs_; }
  const btOverlappingPairCache* getOverlappingPairCache() const override { return &pairs_; }
  void getBroadphaseAabb(btVector3& aabbMin, btVector3& aabbMax) const override;
  void printStats() override {}

 private:
  btNullPairCache pairs_;
  std::vector<std::unique_ptr<btBroadphaseProxy>> proxies_;
};

}  // namespace brivonel::physics
