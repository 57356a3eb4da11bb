#include "ImageObject.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "TestSupport.h"

#include <QSignalSpy>

class ObjectTreeTest : public ::testing::Test
{
protected:
    ObjectRoot* root = ObjectRoot::getInstance();
    QSignalSpy added{root, &ObjectRoot::signalChildAdded};
    QSignalSpy removed{root, &ObjectRoot::signalChildRemoved};
    QSignalSpy silentlyAdded{root, &ObjectRoot::signalChildSilentlyAdded};
    QSignalSpy silentlyRemoved{root, &ObjectRoot::signalChildSilentlyRemoved};

    void TearDown() override { root->clear(); }
};

TEST_F(ObjectTreeTest, AddAnnouncesAndRefusesTakenNamesAnywhereBelowTheRoot)
{
    ObjectBase* pA = new ObjectBase("A");
    EXPECT_TRUE(root->addChild(pA));
    ASSERT_EQ(added.count(), 1);
    EXPECT_EQ(added.at(0).at(0).toString(), "A");
    EXPECT_EQ(pA->parent(), root);

    // The same object twice, and another object of the same name.
    EXPECT_FALSE(root->addChild(pA));
    ObjectBase other("A");
    EXPECT_FALSE(root->addChild(&other));
    EXPECT_EQ(other.parent(), nullptr);

    // A grandchild's name is taken too.
    ObjectBase* pGrandChild = new ObjectBase("G");
    pGrandChild->setParent(pA);
    ObjectBase sameAsGrandChild("G");
    EXPECT_FALSE(root->addChild(&sameAsGrandChild));
    EXPECT_FALSE(root->addChild(nullptr));
    EXPECT_EQ(added.count(), 1);

    EXPECT_TRUE(root->addChild(new ObjectBase("B"), true));
    EXPECT_EQ(added.count(), 1);
    ASSERT_EQ(silentlyAdded.count(), 1);
    EXPECT_EQ(silentlyAdded.at(0).at(0).toString(), "B");
}

TEST_F(ObjectTreeTest, NullNameIsOnlyAcceptedIntoAnEmptyRoot)
{
    EXPECT_TRUE(root->addChild(new ObjectBase()));
    root->clear();
    EXPECT_TRUE(root->addChild(new ObjectBase("X")));
    ObjectBase unnamed;
    EXPECT_FALSE(root->addChild(&unnamed));
}

TEST_F(ObjectTreeTest, RemoveHandsOverDirectChildrenOnly)
{
    ObjectBase* pA = new ObjectBase("A");
    root->addChild(pA);
    ObjectBase* pDeep = new ObjectBase("DEEP");
    pDeep->setParent(pA);

    EXPECT_EQ(root->removeChild(pDeep), nullptr);
    EXPECT_EQ(root->removeChildByName("DEEP"), nullptr);
    EXPECT_EQ(root->removeChildByName("NOBODY"), nullptr);
    EXPECT_EQ(removed.count(), 0);

    std::unique_ptr<ObjectBase> pTaken(root->removeChildByName("A", true));
    EXPECT_EQ(pTaken.get(), pA);
    EXPECT_EQ(pA->parent(), nullptr);
    EXPECT_EQ(removed.count(), 0);
    ASSERT_EQ(silentlyRemoved.count(), 1);
    EXPECT_EQ(silentlyRemoved.at(0).at(0).toString(), "A");

    // Taken out, it no longer announces its deletion through the root.
    pTaken.reset();
    EXPECT_EQ(removed.count(), 0);
}

TEST_F(ObjectTreeTest, DeletingAnObjectInTheTreeAnnouncesItsRemoval)
{
    ObjectBase* pA = new ObjectBase("A");
    root->addChild(pA);
    QSignalSpy destroyed(pA, &ObjectBase::signalDestroyed);
    delete pA;
    EXPECT_EQ(destroyed.count(), 1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).toString(), "A");
    EXPECT_TRUE(root->children().isEmpty());
    // The name is free again.
    EXPECT_TRUE(root->addChild(new ObjectBase("A")));
}

TEST_F(ObjectTreeTest, ClearDeletesEveryChildAnnouncingEach)
{
    root->addChild(new ObjectBase("A"));
    root->addChild(new ObjectBase("B"));
    root->clear();
    ASSERT_EQ(removed.count(), 2);
    EXPECT_EQ(removed.at(0).at(0).toString(), "A");
    EXPECT_EQ(removed.at(1).at(0).toString(), "B");
    EXPECT_TRUE(root->children().isEmpty());
}

TEST_F(ObjectTreeTest, GetOrCreateChildFindsCreatesAndRefusesForeignNames)
{
    ImageObject* pImage = root->getOrCreateChild<ImageObject>("IMG");
    ASSERT_NE(pImage, nullptr);
    EXPECT_EQ(pImage->parent(), root);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(root->getOrCreateChild<ImageObject>("IMG"), pImage);
    EXPECT_EQ(added.count(), 1);

    // The name is held by an object of another class: nothing is left outside the tree.
    EXPECT_ASSERTION(root->getOrCreateChild<ParameterObject>("IMG"), "bAddOk");
    EXPECT_EQ(root->children().size(), 1);

    // Two image objects of one name (one nested) are a broken tree.
    ImageObject* pNested = new ImageObject("DUP");
    pNested->setParent(pImage);
    ImageObject* pDirect = new ImageObject("DUP");
    pDirect->setParent(root);
    EXPECT_ASSERTION(root->getOrCreateChild<ImageObject>("DUP"), "children.size() <= 1");
}

TEST(ObjectBaseTest, NameFunctions)
{
    EXPECT_EQ(ObjectBase::getCloneName("IMAGE_RAW"), "IMAGE_RAW:CLONE");
    EXPECT_EQ(ObjectBase::getCloneName("A:CLONE"), "A:CLONE:CLONE");
    EXPECT_EQ(ObjectBase::removeCloneSuffix("A:CLONE:CLONE"), "A");
    EXPECT_EQ(ObjectBase::removeCloneSuffix("A:clone"), "A:clone");
    EXPECT_EQ(ObjectBase::toFileName("FRONT#SHAPE/HIGH_RES_HQ:CLONE"), "FRONT_SHAPE_HIGH_RES_HQ_CLONE");
}

TEST(ObjectBaseTest, CloneCopiesNameMarkAndTheWholeSubtreeOnce)
{
    ObjectBase source("S");
    source.setCommitted(true);
    ObjectBase* pChild = new ObjectBase("C");
    pChild->setParent(&source);
    ObjectBase* pGrandChild = new ObjectBase("G");
    pGrandChild->setParent(pChild);

    std::unique_ptr<ObjectBase> pClone(source.clone());
    EXPECT_EQ(pClone->objectName(), "S:CLONE");
    EXPECT_TRUE(pClone->isCommitted());
    EXPECT_EQ(pClone->parent(), nullptr);

    const QList<ObjectBase*> direct = pClone->findChildren<ObjectBase*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(direct.size(), 1);
    EXPECT_EQ(direct[0]->objectName(), "C:CLONE");
    const QList<ObjectBase*> all = pClone->findChildren<ObjectBase*>();
    ASSERT_EQ(all.size(), 2);
    const QList<ObjectBase*> grand = direct[0]->findChildren<ObjectBase*>();
    ASSERT_EQ(grand.size(), 1);
    EXPECT_EQ(grand[0]->objectName(), "G:CLONE");
    EXPECT_FALSE(ObjectBase("X").isCommitted());
}
