"""The ORBI mechanism through python-gssapi, client code nobody here wrote,
over MIT krb5's unmodified glue (GSS_MECH_CONFIG names the module).

    python3 python_client.py MECHANISM_OID MINOR_STATUS_DEF ATTRIBUTES_DEF

MINOR_STATUS_DEF and ATTRIBUTES_DEF are the module's lists
(mech/minor_status.def, mech/name_attributes.def): the minor statuses'
numbers and the attributes' URIs come from their rows.
"""
import copy
import re
import sys
import unittest

import gssapi
import gssapi.raw as raw
from gssapi.raw import exceptions as gss_errors


def rows(path, macro):
    """The rows macro(...) of the list at path, each as the texts of its
    arguments (a string with its quotes); comment and preprocessor lines are
    skipped."""
    with open(path) as f:
        text = "".join(line for line in f
                       if not line.lstrip().startswith(("//", "#")))
    string = r'"(?:[^"\\]|\\.)*"'
    return [re.findall(string + r'|[^\s,"]+', args)
            for args in re.findall(macro + r'\(((?:%s|[^")])*)\)' % string,
                                   text)]


if len(sys.argv) < 4:
    sys.exit("usage: python_client.py MECHANISM_OID MINOR_STATUS_DEF "
             "ATTRIBUTES_DEF [unittest arguments]")
MECH = gssapi.OID.from_int_seq(sys.argv.pop(1))
# The module's own minor statuses, by name.
MINOR = {row[0]: int(row[1]) for row in rows(sys.argv.pop(1), "ORBI_MINOR")}
# The attributes' URIs, by the name of their rows, in the list's order.
ATTRIBUTES = {row[0]: ("urn:oid:%s%s" % (MECH.dotted_form,
                                         row[1].strip('"'))).encode()
              for row in rows(sys.argv.pop(1), "ORBI_ATTRIBUTE")}
PATH_ATTR = ATTRIBUTES["Path"]
ENTRIES_ATTR = ATTRIBUTES["Entries"]
# A URI beside the attributes' that no row names.
UNLISTED_ATTR = next(uri for uri in ("urn:oid:%s.2.%d" % (MECH.dotted_form, n)
                                     for n in range(1, 100))
                     if uri.encode() not in ATTRIBUTES.values()).encode()
# RFC 5587: GSS_C_MA_MECH_CONCRETE and GSS_C_MA_NOT_DFLT_MECH.
MA_CONCRETE = gssapi.OID.from_int_seq("1.3.6.1.5.5.13.1")
MA_NOT_DEFAULT = gssapi.OID.from_int_seq("1.3.6.1.5.5.13.8")
# The module's own minor statuses that the tests meet.
NAME_HAS_NUL = MINOR["NAME_HAS_NUL"]
NO_SUCH_ATTRIBUTE = MINOR["NO_SUCH_ATTRIBUTE"]
READ_ONLY_ATTRIBUTE = MINOR["READ_ONLY_ATTRIBUTE"]
ATTRIBUTES_DISAGREE = MINOR["ATTRIBUTES_DISAGREE"]


def mechanism_name(text):
    return gssapi.Name(text).canonicalize(MECH)


class Names(unittest.TestCase):
    def test_round_trips(self):
        for text in [b"alice", b"db/users\nalice\nbob", b"ali\0\0", b"x" * 300]:
            with self.subTest(text=text):
                name = mechanism_name(text)
                self.assertEqual(bytes(name), text)
                self.assertEqual(str(name), text.decode())
                self.assertEqual(name.name_type.dotted_form,
                                 MECH.dotted_form + ".1")
                token = name.export()
                back = gssapi.Name(token, gssapi.NameType.export)
                self.assertEqual(back, name)
                self.assertEqual(back.export(), token)
                for duplicate in (raw.duplicate_name(name), copy.copy(name)):
                    self.assertTrue(raw.compare_name(duplicate, name))
                    self.assertEqual(raw.display_name(duplicate).name, text)

    def test_the_same_text_gives_equal_names(self):
        for text in [b"alice", b"db/users\nalice\nbob", b"ali\0\0"]:
            with self.subTest(text=text):
                self.assertEqual(mechanism_name(text), mechanism_name(text))

    def test_different_inputs_stay_different(self):
        for a, b in [(b"alice", b"Alice"), (b"alice", b"alice\0"),
                     (b"ali", b"ali\0\0"), (b"db\na", b"db\nb")]:
            with self.subTest(a=a, b=b):
                self.assertNotEqual(mechanism_name(a), mechanism_name(b))
                self.assertNotEqual(mechanism_name(a).export(),
                                    mechanism_name(b).export())

    def test_a_byte_behind_a_nul_is_refused(self):
        for text in [b"ali\0ce", b"\0a", b"db\0\nalice"]:
            with self.subTest(text=text):
                with self.assertRaises(gss_errors.BadNameError):
                    mechanism_name(text)

    def test_names_for_mech(self):
        types = raw.inquire_names_for_mech(MECH)
        self.assertIn(gssapi.NameType.export, types)
        self.assertIn(gssapi.NameType.anonymous, types)

    def test_a_refusal_explains_itself(self):
        with self.assertRaises(gss_errors.BadNameError) as caught:
            mechanism_name(b"ali\0ce")
        self.assertEqual(caught.exception.min_code, NAME_HAS_NUL)
        # The glue's text of the minor status, which it has the module write.
        self.assertRegex(caught.exception.gen_message(),
                         r"ORBI mechanism: .+ \(NAME_HAS_NUL, status %d\)"
                         % NAME_HAS_NUL)


class MechanismName(unittest.TestCase):
    def test_is_a_mechanism_name_of_orbi(self):
        name = mechanism_name(b"alice")
        self.assertTrue(name.is_mech_name)
        self.assertEqual(name.mech, MECH)

    def test_attributes_are_the_path_and_the_entries(self):
        # (text, name type, {attribute: values}); a name without a database
        # path has no attributes, which is no error. Only the path and the
        # entries are checked here: every name lists only attributes of the
        # module's list, and another attribute's values are its own test's.
        cases = [
            (b"db/users\nalice\nbob", None,
             {PATH_ATTR: [b"db/users"], ENTRIES_ATTR: [b"alice", b"bob"]}),
            (b"alice", None, {PATH_ATTR: [b"alice"]}),
            (b"db\n\n", None, {PATH_ATTR: [b"db"], ENTRIES_ATTR: [b"", b""]}),
            (b"\nalice", None, {}),
            (b"", gssapi.NameType.anonymous, {}),
        ]
        for text, name_type, expected in cases:
            with self.subTest(text=text, name_type=name_type):
                name = gssapi.Name(text, name_type).canonicalize(MECH)
                known = {PATH_ATTR, ENTRIES_ATTR}
                for listed in (list(name.attributes),
                               list(raw.inquire_name(name).attrs)):
                    self.assertLessEqual(set(listed),
                                         set(ATTRIBUTES.values()))
                    self.assertEqual(sorted(a for a in listed if a in known),
                                     sorted(expected))
                for attr, values in expected.items():
                    got = name.attributes[attr]
                    self.assertEqual(list(got.values), values)
                    self.assertFalse(got.authenticated)
                    self.assertTrue(got.complete)

    def test_display_values_are_printable(self):
        # Bytes 0x20..0x7e as they are but the backslash, which is doubled;
        # every other byte as \xHH in lower case.
        cases = [
            (b"\x01\\z", b"\\x01\\\\z"),
            (b" ~\x7f\xab", b" ~\\x7f\\xab"),
            (b"", b""),
        ]
        for value, display in cases:
            with self.subTest(value=value):
                got = mechanism_name(b"db\n" + value).attributes[ENTRIES_ATTR]
                self.assertEqual(list(got.values), [value])
                self.assertEqual(list(got.display_values), [display])

    def test_attributes_cannot_be_changed(self):
        def raw_set(name, attr):
            raw.set_name_attribute(name, attr, [b"mallory"])

        def raw_delete(name, attr):
            raw.delete_name_attribute(name, attr)

        # (python-gssapi's mapping deletes before it sets: its assignment
        # meets the same refusal as its deletion.)
        def mapping_delete(name, attr):
            del name.attributes[attr]

        name = mechanism_name(b"db\nalice")
        cases = [
            (ENTRIES_ATTR, gss_errors.UnauthorizedError, READ_ONLY_ATTRIBUTE),
            (PATH_ATTR, gss_errors.UnauthorizedError, READ_ONLY_ATTRIBUTE),
            (b"urn:oid:1.2.3", gss_errors.OperationUnavailableError,
             NO_SUCH_ATTRIBUTE),
        ]
        for attr, error, minor in cases:
            for change in (raw_set, raw_delete, mapping_delete):
                with self.subTest(attr=attr, change=change.__name__):
                    with self.assertRaises(error) as caught:
                        change(name, attr)
                    self.assertEqual(caught.exception.min_code, minor)
        self.assertEqual(list(name.attributes[PATH_ATTR].values), [b"db"])
        self.assertEqual(list(name.attributes[ENTRIES_ATTR].values),
                         [b"alice"])

    def test_reading_an_attribute_the_name_lacks_is_refused(self):
        for text, attr in [(b"alice", ENTRIES_ATTR), (b"\nalice", PATH_ATTR),
                           (b"db\nalice", b"urn:oid:1.2.3"),
                           (b"db\nalice", UNLISTED_ATTR)]:
            with self.subTest(text=text, attr=attr):
                with self.assertRaises(
                        gss_errors.OperationUnavailableError) as caught:
                    mechanism_name(text).attributes[attr]
                self.assertEqual(caught.exception.min_code, NO_SUCH_ATTRIBUTE)


class CompositeNames(unittest.TestCase):
    def test_export_and_import_round_trip(self):
        for text in [b"alice", b"db/users\nalice\nbob", b"db\n\n", b"\nalice",
                     b"ali\0\0"]:
            with self.subTest(text=text):
                name = mechanism_name(text)
                token = name.export(composite=True)
                # The standard token with 04 02 and an empty attribute part.
                plain = name.export()
                self.assertEqual(token, b"\x04\x02" + plain[2:] + bytes(4))
                # Read back as a composite token and, as MIT's own
                # t_namingexts imports one, under GSS_C_NT_EXPORT_NAME.
                readers = (
                    lambda given: gssapi.Name(token=given, composite=True),
                    lambda given: gssapi.Name(
                        raw.import_name(given, gssapi.NameType.export)))
                for given, read in [(g, r) for g in (token, plain)
                                    for r in readers]:
                    back = read(given)
                    self.assertEqual(back, name)
                    self.assertEqual(back.export(), plain)
                    self.assertEqual(back.export(composite=True), token)
                    self.assertEqual(sorted(back.attributes),
                                     sorted(name.attributes))
                    for attr in name.attributes:
                        self.assertEqual(list(back.attributes[attr].values),
                                         list(name.attributes[attr].values))

    def test_an_attribute_part_is_refused(self):
        token = mechanism_name(b"db\nalice").export(composite=True)
        with_part = token[:-1] + b"\x03" + b"bob"
        for composite in (True, False):
            with self.subTest(composite=composite):
                with self.assertRaises(gss_errors.GSSError) as caught:
                    gssapi.Name(token=with_part, composite=composite)
                self.assertEqual(caught.exception.min_code,
                                 ATTRIBUTES_DISAGREE)


class ManyEntries(unittest.TestCase):
    def test_every_value_of_a_name_of_10000_entries(self):
        entries = [b"entry%d" % i for i in range(10000)]
        name = mechanism_name(b"\n".join([b"db"] + entries))
        self.assertEqual(list(name.attributes[ENTRIES_ATTR].values), entries)


class Mechanism(unittest.TestCase):
    def test_attributes_say_concrete_and_not_default(self):
        attrs = raw.inquire_attrs_for_mech(MECH)
        self.assertIn(MA_CONCRETE, attrs.mech_attrs)
        self.assertIn(MA_NOT_DEFAULT, attrs.mech_attrs)
        self.assertEqual(len(attrs.known_mech_attrs), 27)
        defaults = raw.indicate_mechs_by_attrs(except_mech_attrs={MA_NOT_DEFAULT})
        self.assertNotIn(MECH, defaults)

    def test_sasl_names(self):
        names = raw.inquire_saslname_for_mech(MECH)
        self.assertTrue(names.sasl_mech_name.startswith(b"GS2-"))
        self.assertEqual(len(names.sasl_mech_name), 15)
        self.assertEqual(names.mech_name, b"ORBI")
        self.assertTrue(names.mech_description)
        self.assertEqual(raw.inquire_mech_for_saslname(names.sasl_mech_name),
                         MECH)


if __name__ == "__main__":
    unittest.main(verbosity=2)
