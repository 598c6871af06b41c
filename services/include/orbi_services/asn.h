// ASN.1 service stand-ins: a byte buffer, an OBJECT IDENTIFIER with a real DER
// codec of its content octets, and a label string (a CHOICE whose alternative
// 1 is a VisibleString).
//
// Every constructor takes a PLVASNSecurityType; the name library always
// passes 0. Results are 0 for success and non-zero for failure. Memory comes
// from malloc and is released by the owning object's destructor.
#ifndef ORBI_SERVICES_ASN_H_
#define ORBI_SERVICES_ASN_H_

typedef int PLVASNSecurityType;

// PLVASNBuffer: a growable byte buffer. data is null while nothing has been
// appended since construction or the last clear(); length counts the bytes.
// The name library reads data and length directly.
class PLVASNBuffer {
 public:
  explicit PLVASNBuffer(PLVASNSecurityType type = 0);
  ~PLVASNBuffer();
  PLVASNBuffer(const PLVASNBuffer&) = delete;
  PLVASNBuffer& operator=(const PLVASNBuffer&) = delete;

  // clear releases the bytes: data null, length 0.
  void clear();
  // append adds count bytes from bytes at the end. Returns 0, or non-zero
  // when no memory could be had (the buffer is then unchanged). Appending 0
  // bytes still gives a non-null data pointer.
  int append(unsigned char* bytes, unsigned long count);

  unsigned char* data = nullptr;
  unsigned long length = 0;

 private:
  unsigned long capacity_ = 0;
};

// PLVASNObjectID: an OBJECT IDENTIFIER held as arcs, with the DER encoding of
// its content octets (no tag, no length octets).
//
// Encodable arcs: at least two; the first at most 2; the second below 40 when
// the first is 0 or 1; every arc at most 4294967295 (the name library's arcs
// are 32-bit). The first two arcs are combined as 40 * first + second, every
// subidentifier is written base 128, most significant group first, in the
// fewest bytes.
class PLVASNObjectID {
 public:
  explicit PLVASNObjectID(PLVASNSecurityType type = 0);
  ~PLVASNObjectID();
  PLVASNObjectID(const PLVASNObjectID&) = delete;
  PLVASNObjectID& operator=(const PLVASNObjectID&) = delete;

  // set_value(arcs, count) stores a copy of the count arcs (none when count is
  // 0). Returns 0 when they are encodable, 1 when no memory could be had (the
  // object is then empty), 2 when they are stored but cannot be encoded:
  // get_value(PLVASNBuffer&) then writes nothing and fails.
  int set_value(unsigned long* arcs, unsigned int count);

  // set_value(bytes, length) decodes DER content octets. Returns 0 and holds
  // the decoded arcs on success. Returns non-zero and leaves the object as it
  // was for anything that is not a valid encoding: null or empty input, a
  // subidentifier that starts with the byte 0x80 (not minimal), a last byte
  // with its high bit set (truncated), an arc above 4294967295, or more arcs
  // than an unsigned int counts. Also non-zero, the object unchanged, when no
  // memory could be had for the arcs.
  int set_value(unsigned char* bytes, unsigned int length);

  // get_value(arcs, count) hands out the arcs held, still owned by this
  // object (null and 0 when empty). Returns 0.
  int get_value(unsigned long*& arcs, unsigned int& count) const;

  // get_value(buffer) appends the content octets of the arcs held to buffer.
  // Returns 0; non-zero when the arcs are not encodable (nothing appended) or
  // the buffer could not grow.
  int get_value(PLVASNBuffer& buffer) const;

 private:
  unsigned long* arcs_ = nullptr;
  unsigned int count_ = 0;
};

// PLVASNCharString: a character string value.
class PLVASNCharString {
 public:
  explicit PLVASNCharString(PLVASNSecurityType type = 0);
  ~PLVASNCharString();
  PLVASNCharString(const PLVASNCharString&) = delete;
  PLVASNCharString& operator=(const PLVASNCharString&) = delete;

  // set_value_visible stores a copy of text as a VisibleString. Returns 0;
  // non-zero, leaving the value as it was, when text is null, holds a byte
  // outside the visible range 0x20 to 0x7E, or no memory could be had.
  int set_value_visible(char* text);

  // value is the text stored last, or null when none was.
  const char* value() const { return value_; }

 private:
  char* value_ = nullptr;
};

// PLVASNChoice: a CHOICE with a fixed number of alternatives, numbered from 0.
class PLVASNChoice {
 public:
  PLVASNChoice(PLVASNSecurityType type, unsigned int alternatives);
  // select makes alternative the chosen one. Returns 0; non-zero, leaving the
  // choice as it was, when the choice has no such alternative.
  int select(unsigned int alternative);
  // selected is the chosen alternative, or -1 while none is chosen.
  int selected() const { return selected_; }

 private:
  unsigned int alternatives_;
  int selected_ = -1;
};

// PLVASNLabelString: a label CHOICE of two alternatives; alternative 1 is the
// VisibleString held in visibleString.
class PLVASNLabelString : public PLVASNChoice {
 public:
  explicit PLVASNLabelString(PLVASNSecurityType type = 0);
  PLVASNCharString visibleString;
};

#endif  // ORBI_SERVICES_ASN_H_
