// Shared ownership of toolkit objects: whoever creates one holds its first
// reference; every further holder adds one and drops it when it lets go.
#pragma once

namespace VSTGUI {

class CBaseObject {
public:
    CBaseObject() = default;
    virtual ~CBaseObject() = default;
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    virtual void dropReference() {
        if (--referenceCount == 0) delete this;
    }
    virtual void addReference() { ++referenceCount; }
    int getNbReference() const { return referenceCount; }

private:
    int referenceCount = 1;
};

}  // namespace VSTGUI
