// The intersection: a plan of the new points, each with its ellipse of Sx
// and Sy and the rays from the projection centres that meet in it, and per
// photograph the image residuals.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "plot/picture_parts.h"
#include "plot/pictures.h"

namespace tessaro {

namespace {

// The report's pattern of Vx, Vy and of Sx, Sy.
const char* const kPattern = "####0.000";

std::string Title(const IntersectionResult& r) {
  if (r.Succeeded())
    return "Intersection of " + std::to_string(r.Points.size()) +
           (r.Points.size() == 1 ? " point" : " points");
  const IntersectedPoint& p = r.Points.back();
  const std::string stop = "Intersection stopped at point " + std::to_string(p.PointNo) + ": ";
  if (p.outcome.ending == Ending::Refused && p.outcome.item >= 1 && p.outcome.item <= p.Rays.size())
    return stop + "photograph " + std::to_string(p.Rays(p.outcome.item).PhotoNo) +
           " has m31*X0 + m32*Y0 + m33*Z0 = 0";
  return stop + "its rays do not fix it";
}

}  // namespace

std::string DrawIntersection(const IntersectionResult& r) {
  Figure figure(Title(r));
  std::vector<const IntersectedPoint*> solved;
  for (const IntersectedPoint& p : r.Points)
    if (p.outcome.Succeeded()) solved.push_back(&p);

  // The projection centres, in the order their photographs first appear.
  std::vector<std::int32_t> photos;
  std::map<std::int32_t, const Ray*> centre;
  Extent plan, image;
  double largestS = 0;
  for (const IntersectedPoint* p : solved) {
    plan.Add(p->X, p->Y);
    if (!PrintsAsZero(p->Sx, kPattern) || !PrintsAsZero(p->Sy, kPattern))
      largestS = std::max({largestS, p->Sx, p->Sy});
    for (int k = 1; k <= p->Rays.size(); ++k) {
      const Ray& ray = p->Rays(k);
      if (centre.emplace(ray.PhotoNo, &ray).second) photos.push_back(ray.PhotoNo);
      plan.Add(ray.X0, ray.Y0);
      image.Add(ray.x, ray.y);
    }
  }

  MapPanel ground("plan", "Plan: new points, Sx, Sy ellipses and rays", kPanelSize, kPanelSize,
                  plan, "ground units", true);
  for (const IntersectedPoint* p : solved)
    for (int k = 1; k <= p->Rays.size(); ++k) {
      const Ray& ray = p->Rays(k);
      ground.Line("ray", {p->PointNo, ray.PhotoNo}, ray.X0, ray.Y0, p->X, p->Y);
    }
  for (std::int32_t photo : photos) {
    ground.Mark(Shape::Square, "station", {std::nullopt, photo}, centre[photo]->X0,
                centre[photo]->Y0);
    ground.Label(centre[photo]->X0, centre[photo]->Y0, std::to_string(photo));
  }
  const NiceStep factor = Magnification(largestS, ground.Across());
  for (const IntersectedPoint* p : solved) {
    if (largestS > 0)
      ground.Ellipse("ellipse", {p->PointNo, std::nullopt}, p->X, p->Y, p->Sx * factor.value,
                     p->Sy * factor.value);
    ground.Mark(Shape::Dot, "ground", {p->PointNo, std::nullopt}, p->X, p->Y);
    if (solved.size() <= kLabelledMarks) ground.Label(p->X, p->Y, std::to_string(p->PointNo));
  }
  if (largestS > 0)
    ground.Magnification("Sx, Sy", factor);
  else if (!solved.empty())
    ground.Note("all Sx, Sy are 0.000");
  ground.Legend(Shape::Square, "station", "projection centre");
  ground.Legend(Shape::Dot, "ground", "new point");
  if (photos.size() > kPhotosShown)
    ground.Note("image residuals of the first " + std::to_string(kPhotosShown) + " of " +
                std::to_string(photos.size()) + " photographs");
  figure.Add(ground);

  // One panel per photograph, all at one scale and one magnification.
  std::map<std::int32_t, std::vector<ResidualVector>> residuals;
  std::map<std::int32_t, std::vector<const Ray*>> rays;
  double longest = 0;
  for (const IntersectedPoint* p : solved)
    for (int k = 1; k <= p->Rays.size(); ++k) {
      const Ray& ray = p->Rays(k);
      rays[ray.PhotoNo].push_back(&ray);
      residuals[ray.PhotoNo].push_back(
          {{p->PointNo, ray.PhotoNo}, ray.x, ray.y, p->Vx(k), p->Vy(k)});
    }
  for (auto& [photo, v] : residuals) {
    v = Printed(std::move(v), kPattern);
    longest = std::max(longest, Longest(v));
  }
  const MapPanel probe("", "", kPanelSize, kPanelSize, image, "", false);
  const NiceStep magnification = Magnification(longest, probe.Across());
  photos.resize(std::min(photos.size(), kPhotosShown));
  for (std::int32_t photo : photos) {
    MapPanel panel("image", "Photograph " + std::to_string(photo) + ": image residuals", kPanelSize,
                   kPanelSize, image, "image units", false, {std::nullopt, photo});
    for (const Ray* ray : rays[photo]) {
      panel.Mark(Shape::Dot, "point", {ray->PointNo, photo}, ray->x, ray->y);
      if (rays[photo].size() <= kLabelledMarks)
        panel.Label(ray->x, ray->y, std::to_string(ray->PointNo));
    }
    DrawResiduals(panel, residuals[photo], magnification, "0.000");
    figure.Add(panel);
  }
  return figure.Svg();
}

}  // namespace tessaro
