#include "physics/bullet/null_broadphase.h"

namespace brivonel::physics {

btBroadphaseProxy* NullBroadphase::createProxy(const btVector3& aabbMin, const btVector3& aabbMax,
                                               int, void* userPtr, int group, int mask,
                                               btDispatcher*) {
  proxies_.push_back(std::make_unique<btBroadphaseProxy>(aabbMin, aabbMax, userPtr, group, mask));
  return proxies_.back().get();
}

// Proxies live as long as the broadphase: a world adds each body once.
void NullBroadphase::destroyProxy(btBroadphaseProxy*, btDispatcher*) {}

void NullBroadphase::setAabb(btBroadphaseProxy* proxy, const btVector3& aabbMin,
                             const btVector3& aabbMax, btDispatcher*) {
  proxy->m_aabbMin = aabbMin;
  proxy->m_aabbMax = aabbMax;
}

void NullBroadphase::getAabb(btBroadphaseProxy* proxy, btVector3& aabbMin, btVector3& aabbMax) const {
  aabbMin = proxy->m_aabbMin;
  aabbMax = proxy->m_aabbMax;
}

void NullBroadphase::getBroadphaseAabb(btVector3& aabbMin, btVector3& aabbMax) const {
  aabbMin.setValue(-BT_LARGE_FLOAT, -BT_LARGE_FLOAT, -BT_LARGE_FLOAT);
  aabbMax.setValue(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
}

}  // namespace brivonel::physics
