// A visitor of points: the scan drivers (the triangle fill and the path
// sampler) hand each visited point to one of these.
#pragma once

class ScanCallBack {
 public:
  // A point in path coordinates.
  virtual void Visit(double x, double y) = 0;
  // An integer pixel.
  virtual void Plot(int x, int y) = 0;
  // A pixel query kept for the interface; every implementation answers false
  // and no driver calls it.
  virtual bool Query(int x, int y) = 0;

 protected:
  ScanCallBack() = default;
  ScanCallBack(const ScanCallBack&) = default;
  ScanCallBack& operator=(const ScanCallBack&) = default;
  ~ScanCallBack() = default;
};
