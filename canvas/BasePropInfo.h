#pragma once

// Property records edited by the property panels. The kind tells the panels which record they
// hold: 0 none, 1 text box, 2 line, 3 comment.
class CBasePropInfo
{
public:
    virtual ~CBasePropInfo() = default;
    virtual int GetType() const { return 0; }
    // Back to the defaults.
    virtual void Reset() { }
    // Copies every field from a record of the same kind; a record of another kind is ignored.
    virtual void CopyFrom(const CBasePropInfo &other) { (void)other; }
};
