#!/usr/bin/env python3
"""Finds what a shard run must set in a suite workflow file.

    workflow_roles.py WORKFLOW_JSON RESOURCE_PROBE OUTPUT_JSON

Writes {"read": NAME, "report": NAME, "vcf": NAME or null, "db_path": [NAME, ...]}: the element
that reads the variations (its "url-in" gets the shard), the element that writes the two reports
(its paths get the shard's), the element that writes the annotated VCF when there is one (its
"url-out" gets the shard's), and every element that has a "db_path" attribute (all get the
reference database). Which element types have "db_path" comes from `resource_probe --list-elements`, so
an element that leaves it at its default in the file is pointed at the reference too.
"""

import json
import os
import subprocess
import sys

READ_TYPE = "read-variations"
REPORT_TYPE = "snp-report-writer-id"
VCF_TYPE = "write-annotated-variations"


class RolesError(Exception):
    pass


def element_attributes(resource_probe):
    """{element type: set of attribute ids} of every element the suite's plug-ins register."""
    try:
        proc = subprocess.run([resource_probe, "--list-elements"], capture_output=True, text=True)
    except OSError as e:
        raise RolesError(f"cannot run {resource_probe}: {e.strerror}") from e
    if proc.returncode != 0:
        raise RolesError(f"{resource_probe} --list-elements failed: {proc.stderr.strip()}")
    types, current = {}, None
    for line in proc.stdout.splitlines():
        if line and not line.startswith(" "):
            current = types.setdefault(line.split("\t", 1)[0], set())
        elif current is not None and line.startswith("  attribute "):
            current.add(line[len("  attribute "):].split("\t", 1)[0])
    return types


def find_roles(workflow_path, types):
    try:
        with open(workflow_path, encoding="utf-8") as f:
            workflow = json.load(f)
    except OSError as e:
        raise RolesError(f"cannot read the workflow file {workflow_path}: {e.strerror}") from e
    except ValueError as e:
        raise RolesError(f"{workflow_path} is not a JSON workflow file: {e}") from e
    elements = workflow.get("elements") if isinstance(workflow, dict) else None
    if not isinstance(elements, list):
        raise RolesError(f'{workflow_path} has no "elements" list')
    reads, reports, vcfs, db_paths = [], [], [], []
    for e in elements:
        name, type_ = e.get("name"), e.get("type")
        if type_ not in types:
            raise RolesError(f'{workflow_path}: element "{name}" has the type "{type_}", which no loaded plug-in provides')
        if type_ == READ_TYPE:
            reads.append(name)
        if type_ == REPORT_TYPE:
            reports.append(name)
        if type_ == VCF_TYPE:
            vcfs.append(name)
        if "db_path" in types[type_]:
            db_paths.append(name)
    if len(reads) != 1:
        raise RolesError(f'{workflow_path} must have exactly one "{READ_TYPE}" element to give the shard to, it has {len(reads)}')
    if len(reports) != 1:
        raise RolesError(f'{workflow_path} must have exactly one "{REPORT_TYPE}" element whose reports are merged, it has {len(reports)}')
    if len(vcfs) > 1:
        raise RolesError(f'{workflow_path} may have at most one "{VCF_TYPE}" element whose files are merged, it has {len(vcfs)}')
    return {"read": reads[0], "report": reports[0], "vcf": vcfs[0] if vcfs else None, "db_path": db_paths}


def main(argv):
    if len(argv) != 4:
        print("usage: workflow_roles.py WORKFLOW_JSON RESOURCE_PROBE OUTPUT_JSON", file=sys.stderr)
        return 2
    try:
        roles = find_roles(argv[1], element_attributes(argv[2]))
    except RolesError as e:
        print(f"workflow_roles: {e}", file=sys.stderr)
        return 1
    tmp = argv[3] + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        json.dump(roles, f, indent=1)
    os.replace(tmp, argv[3])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
