#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)
public:
    int m_radius = 7;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

class CSquare : public CShape {
    DECLARE_DYNCREATE(CSquare)
};
IMPLEMENT_DYNCREATE(CSquare, CShape)

TEST(RuntimeClass, NamesAndBasesDescribeTheHierarchy) {
    const CRuntimeClass* circle = RUNTIME_CLASS(CCircle);
    EXPECT_STREQ(circle->m_lpszClassName, "CCircle");
    EXPECT_EQ(circle->m_pBaseClass, RUNTIME_CLASS(CShape));
    EXPECT_EQ(RUNTIME_CLASS(CShape)->m_pBaseClass, RUNTIME_CLASS(CObject));
    EXPECT_STREQ(RUNTIME_CLASS(CFrameWnd)->m_lpszClassName, "CFrameWnd");
    EXPECT_EQ(RUNTIME_CLASS(CFrameWnd)->m_pBaseClass, RUNTIME_CLASS(CWnd));
}

TEST(RuntimeClass, KindOfFollowsTheBaseClasses) {
    CCircle circle;
    const CObject& object = circle;
    EXPECT_EQ(object.GetRuntimeClass(), RUNTIME_CLASS(CCircle));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CSquare)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CWnd)));

    CCircle* asCircle = DynamicDowncast<CCircle>(&circle);
    EXPECT_EQ(asCircle, &circle);
    EXPECT_EQ(DynamicDowncast<CSquare>(&circle), nullptr);
    EXPECT_EQ(DynamicDowncast<CShape>(nullptr), nullptr);
}

TEST(RuntimeClass, CreatesObjectsOfCreatableClassesOnly) {
    std::unique_ptr<CObject> object = RUNTIME_CLASS(CCircle)->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetRuntimeClass(), RUNTIME_CLASS(CCircle));

    // Typed creation checks the class against the type asked for.
    std::unique_ptr<CShape> shape = CreateObjectAs<CShape>(RUNTIME_CLASS(CSquare));
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(shape->IsKindOf(RUNTIME_CLASS(CSquare)));
    EXPECT_EQ(CreateObjectAs<CSquare>(RUNTIME_CLASS(CCircle)), nullptr);
    EXPECT_EQ(CreateObjectAs<CShape>(nullptr), nullptr);

    // Classes described without a factory are not creatable.
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CDialog)->CreateObject(), nullptr);
    EXPECT_NE(RUNTIME_CLASS(CFrameWnd)->CreateObject(), nullptr);
}

TEST(RuntimeClass, ClassesAreFoundByName) {
    EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
    EXPECT_EQ(CRuntimeClass::FromName("CWnd"), RUNTIME_CLASS(CWnd));
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);

    std::unique_ptr<CCircle> circle = CreateObjectAs<CCircle>(CRuntimeClass::FromName("CCircle"));
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(circle->m_radius, 7);
}

} // namespace
